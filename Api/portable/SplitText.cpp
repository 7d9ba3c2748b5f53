#include "Api/portable/SplitText.h"

#include "base/portable/Ascii.h"

std::vector<std::string> SplitForValues(std::string_view text, std::size_t nMax) {
    std::vector<std::string> pieces;
    if (nMax < 2) {
        return pieces;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(text.size(), start + nMax);
        // Back off until neither side of the cut is a blank.
        while (end < text.size() && end > start + 1 &&
               (IsAsciiBlank(text[end - 1]) || IsAsciiBlank(text[end]))) {
            --end;
        }
        if (IsAsciiBlank(text[start]) || IsAsciiBlank(text[end - 1])) {
            return {};
        }
        pieces.emplace_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}
