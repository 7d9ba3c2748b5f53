#include "win/ProductRegistry.h"

#include <vector>

#include "win/RegKey.h"

CRegKey OpenProductKey(REGSAM access) {
    return OpenRegKey(HKEY_LOCAL_MACHINE, kProductKeyPath, access);
}

std::optional<DWORD> ReadRegDword(HKEY hKey, const char* szName) {
    DWORD dwValue = 0;
    DWORD cbValue = sizeof dwValue;
    if (::RegQueryValueExA(hKey, szName, nullptr, nullptr, reinterpret_cast<BYTE*>(&dwValue),
                           &cbValue) != ERROR_SUCCESS ||
        cbValue != sizeof dwValue) {
        return std::nullopt;
    }
    return dwValue;
}

std::optional<std::string> ReadRegString(HKEY hKey, const char* szName, DWORD nMax) {
    std::vector<char> buffer(nMax + 1, '\0');
    DWORD cbData = nMax;
    if (::RegQueryValueExA(hKey, szName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                           &cbData) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The stored data need not carry its terminator; the buffer has one to spare.
    return std::string(buffer.data());
}

CKeptProductKey& KeptProductKey() {
    // Never destroyed: static writers may still read while the module unloads.
    static auto* s_pKey = new CKeptProductKey;
    return *s_pKey;
}
