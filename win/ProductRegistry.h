// The product's registry configuration under HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/UniqueHandle.h"

inline constexpr char kProductKeyPath[] = "Software\\Tarnwell\\Parental Control";

// Opens HKLM\<path> with full access; an empty key when that fails.
CRegKey OpenProductKey(const char* szPath = kProductKeyPath);

// A REG_DWORD value; empty when missing or of another size.
std::optional<DWORD> ReadRegDword(HKEY hKey, const char* szName);
// A REG_SZ value of at most nMax - 1 characters; empty when missing.
std::optional<std::string> ReadRegString(HKEY hKey, const char* szName, DWORD nMax = 1024);
