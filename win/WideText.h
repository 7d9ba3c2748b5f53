// Text in the system's ANSI code page as the wide text the Unicode API takes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

inline std::wstring Widen(const std::string& strText) {
    std::wstring strWide(strText.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, strText.c_str(), -1, strWide.data(),
                                        static_cast<int>(strWide.size()));
    strWide.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
    return strWide;
}
