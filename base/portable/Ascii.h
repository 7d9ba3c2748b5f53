// ASCII text as protocols, lists and command lines write it: letters folded to lower case,
// blanks trimmed. Other bytes pass unchanged, whatever the locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline char LowerAscii(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline void ToLowerAscii(std::string& text) noexcept {
    for (char& c : text) {
        c = LowerAscii(c);
    }
}

inline std::string LowerCopy(std::string_view text) {
    std::string lower(text);
    ToLowerAscii(lower);
    return lower;
}

// Whether text is `lower` but for the case of its ASCII letters (`lower` in lower case).
inline bool EqualsLower(std::string_view text, std::string_view lower) noexcept {
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (LowerAscii(text[i]) != lower[i]) {
            return false;
        }
    }
    return true;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// `lowerPrefix` in lower case.
inline bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) noexcept {
    return text.size() >= lowerPrefix.size() &&
           EqualsLower(text.substr(0, lowerPrefix.size()), lowerPrefix);
}

// The value of a hexadecimal digit of either case; -1 for any other byte.
inline int HexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

inline constexpr std::string_view kAsciiBlanks = " \t\r\n\v\f";

inline bool IsAsciiBlank(char c) noexcept {
    return kAsciiBlanks.find(c) != std::string_view::npos;
}

// Without the given blanks at either end (every ASCII blank unless told).
inline std::string_view TrimAscii(std::string_view text,
                                  std::string_view blanks = kAsciiBlanks) noexcept {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
