// A text longer than one stored value (337 characters), kept in several: cut into pieces that
// begin and end with no blank, since a settings file's reader trims the blanks around a value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Pieces of at most nMax characters whose concatenation is `text`, each cut between two
// characters that are not blanks. A text with no such place within every nMax characters
// (or that begins or ends with a blank) gives no pieces.
std::vector<std::string> SplitForValues(std::string_view text, std::size_t nMax);
