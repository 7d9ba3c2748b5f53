// Pieces of HTTP/1.x message heads that requests and responses share: the lines of a head,
// header names and values, and comma-separated token lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/portable/Ascii.h"

using HeaderList = std::vector<std::pair<std::string, std::string>>;

bool IsTokenChar(char c);
bool IsToken(std::string_view text);

// The lines of a head that ends with its blank line, without their line ends (CRLF or LF).
// The blank line is not among them.
std::vector<std::string_view> HeadLines(std::string_view head);

// Parses header lines into (name, value) pairs, value without surrounding white space.
// Empty on a malformed line: no colon, white space before it, a name that is not a token, a
// folded line, or a control byte in the value (a smuggling aid, never needed by browsers).
std::optional<HeaderList> ParseHeaderLines(const std::vector<std::string_view>& lines);

// True when the comma-separated lists of every header called `name` hold `token`.
bool HeaderHasToken(const HeaderList& headers, std::string_view name, std::string_view token);

// Every value of the headers called `name`.
std::vector<std::string_view> HeaderValues(const HeaderList& headers, std::string_view name);

// A Content-Length: one run of digits (every copy the same), at most 2^53.
enum class LengthStatus { kAbsent, kValid, kInvalid };
LengthStatus ContentLength(const HeaderList& headers, std::uint64_t& nLength);
