#include "log/portable/Format.h"

#include <cstdio>

std::string Format(const char* szFormat, ...) {
    va_list args;
    va_start(args, szFormat);
    std::string strText = FormatV(szFormat, args);
    va_end(args);
    return strText;
}

std::string FormatV(const char* szFormat, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int nLength = std::vsnprintf(nullptr, 0, szFormat, copy);
    va_end(copy);
    std::string strText;
    if (nLength > 0) {
        strText.resize(static_cast<size_t>(nLength));
        std::vsnprintf(strText.data(), strText.size() + 1, szFormat, args);
    }
    return strText;
}
