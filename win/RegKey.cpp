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

// One set of settings serves 64-bit and 32-bit programs: a 32-bit process opens the registry's
// 64-bit view too, where the installer wrote them (the flag means nothing to a 64-bit process,
// and 32-bit Windows ignores it).
constexpr REGSAM kSharedView = KEY_WOW64_64KEY;

}  // namespace

CRegKey OpenRegKey(HKEY hRoot, const char* szPath, REGSAM access) {
    CRegKey key;
    return Checked(::RegOpenKeyExA(hRoot, szPath, 0, access | kSharedView, key.Put()), key);
}

CRegKey CreateRegKey(HKEY hRoot, const char* szPath, REGSAM access) {
    CRegKey key;
    return Checked(::RegCreateKeyExA(hRoot, szPath, 0, nullptr, 0, access | kSharedView, nullptr,
                                     key.Put(), nullptr),
                   key);
}
