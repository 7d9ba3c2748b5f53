// gzip files (RFC 1952): one member or several in a row, each with its CRC-32 and length
// checked. Bytes after the last member that do not start another one are ignored, as gzip
// itself does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

std::uint32_t Crc32(std::string_view data, std::uint32_t crc = 0) noexcept;

// Appends the decompressed bytes to out. False, with error saying why, for a damaged or cut
// file or one whose output would pass nMaxOut; what was decoded before stays in out.
bool Gunzip(std::string_view in, std::string& out, std::string& error, std::size_t nMaxOut);
