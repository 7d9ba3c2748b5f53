// Reading list text: lines ended by LF or CR LF (the last one may be cut), a UTF-8 byte-order
// mark at the start, and blanks around fields (ASCII folding and trimming: base/portable).
#pragma once

#include <cstddef>
#include <string_view>

#include "base/portable/Ascii.h"

// The first blank-separated field of text, removed from it.
inline std::string_view TakeField(std::string_view& text) noexcept {
    text = TrimAscii(text);
    std::size_t n = 0;
    while (n < text.size() && !IsAsciiBlank(text[n])) {
        ++n;
    }
    const std::string_view field = text.substr(0, n);
    text = TrimAscii(text.substr(n));
    return field;
}

// Calls onLine(line) for every line of text, trimmed, empty ones included.
template <class OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    while (!text.empty()) {
        const std::size_t nEnd = text.find('\n');
        const std::string_view line = text.substr(0, nEnd);
        onLine(TrimAscii(line));
        if (nEnd == std::string_view::npos) {
            break;
        }
        text.remove_prefix(nEnd + 1);
    }
}
