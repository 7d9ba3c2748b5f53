// The folder of the running program's executable, with its trailing backslash: the provider
// DLLs and helper programs sit beside it.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring ProgramFolder() {
    wchar_t szPath[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    const std::wstring path(szPath, n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}
