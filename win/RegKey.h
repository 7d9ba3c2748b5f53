// Opening and creating registry keys into an owner.
#pragma once

#include <windows.h>

#include "win/UniqueHandle.h"

// HKLM-style root + path, opened with `access` in the 64-bit view; an empty key when that fails.
CRegKey OpenRegKey(HKEY hRoot, const char* szPath, REGSAM access);
// The same, creating the key (and its parents) when it is missing.
CRegKey CreateRegKey(HKEY hRoot, const char* szPath, REGSAM access);
