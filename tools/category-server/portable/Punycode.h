// Internationalised labels in their ASCII form (RFC 3492, with the "xn--" prefix), the form
// lists and DNS carry: the public suffix list writes them in UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// "bücher" -> "xn--bcher-kva"; a label of ASCII alone comes back as it is. Nothing when the
// label is not valid UTF-8.
std::optional<std::string> ToAsciiLabel(std::string_view utf8Label);

// Every label of a dotted name through ToAsciiLabel.
std::optional<std::string> ToAsciiName(std::string_view utf8Name);
