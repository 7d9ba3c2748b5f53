// The text form of a list of record ids: each id followed by a comma, then "-1" ("4,7,-1";
// the empty list is "-1").
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The leading decimal integer of a text, with optional blanks and sign; 0 when there is none,
// and clamped to the range of int rather than overflowing.
int ParseDecimal(std::string_view text);

// Every token followed by a comma is an id (ParseDecimal of the token); the text after the
// last comma is ignored.
std::vector<int> ParseIdList(std::string_view text);
std::string FormatIdList(const std::vector<int>& ids);

// The names of a category line: the pieces between commas, empty ones skipped, taken exactly
// as they stand; the rest after the last comma counts when it is not empty.
std::vector<std::string> SplitCategoryLine(std::string_view line);
