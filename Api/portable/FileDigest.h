// The settings file's digest as text: MD5 in 32 uppercase hexadecimal characters.
#pragma once

#include <string>

// Empty for a missing or unreadable file, 32 "0" characters for an empty file.
std::string GetFileDigestText(const std::string& strPath);

// 16 digest bytes as 32 uppercase hexadecimal characters, high nibble first.
std::string DigestToText(const unsigned char* pDigest);
