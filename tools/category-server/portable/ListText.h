// Reading list text: lines ended by LF or CR LF (the last one may be cut), a UTF-8 byte-order
// mark at the start, blanks around fields, and ASCII case folding.
#pragma once

#include <cstddef>
#include <string_view>

inline bool IsBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

inline char FoldCase(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether text is `lower` but for the case of its ASCII letters (`lower` in lower case).
inline bool EqualsFolded(std::string_view text, std::string_view lower) noexcept {
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (FoldCase(text[i]) != lower[i]) {
            return false;
        }
    }
    return true;
}

inline std::string_view Trim(std::string_view text) noexcept {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The first blank-separated field of text, removed from it.
inline std::string_view TakeField(std::string_view& text) noexcept {
    text = Trim(text);
    std::size_t n = 0;
    while (n < text.size() && !IsBlank(text[n])) {
        ++n;
    }
    const std::string_view field = text.substr(0, n);
    text = Trim(text.substr(n));
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
        onLine(Trim(line));
        if (nEnd == std::string_view::npos) {
            break;
        }
        text.remove_prefix(nEnd + 1);
    }
}
