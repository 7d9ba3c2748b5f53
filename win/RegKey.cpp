#include "win/RegKey.h"

namespace {

// A failed open or create promises nothing about what it left in the output, so that is
// dropped without being closed.
CRegKey Checked(LONG lResult, CRegKey& key) {
    if (lResult != ERROR_SUCCESS) {
        key.Release();
    }
    return std::move(key);
}

}  // namespace

CRegKey OpenRegKey(HKEY hRoot, const char* szPath, REGSAM access) {
    CRegKey key;
    return Checked(::RegOpenKeyExA(hRoot, szPath, 0, access, key.Put()), key);
}

CRegKey CreateRegKey(HKEY hRoot, const char* szPath, REGSAM access) {
    CRegKey key;
    return Checked(
        ::RegCreateKeyExA(hRoot, szPath, 0, nullptr, 0, access, nullptr, key.Put(), nullptr), key);
}
