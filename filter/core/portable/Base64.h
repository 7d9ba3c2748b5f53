// Base64 as data: URIs carry binary (RFC 4648, with padding).
#pragma once

#include <string>
#include <string_view>

std::string EncodeBase64(std::string_view bytes);
