#include "gui/portable/ListExtent.h"

#include <algorithm>
#include <climits>

int ListExtent(size_t nLongestLength) {
    constexpr int kPixelsPerCharacter = 6;
    constexpr int kMargin = 10;
    constexpr size_t kMaxLength = (INT_MAX - kMargin) / kPixelsPerCharacter;
    return static_cast<int>(std::min(nLongestLength, kMaxLength)) * kPixelsPerCharacter + kMargin;
}
