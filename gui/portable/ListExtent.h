// The horizontal extent of a list box: 6 pixels a character of its longest entry plus 10
// (10 for an empty list).
#pragma once

#include <cstddef>

int ListExtent(size_t nLongestLength);
