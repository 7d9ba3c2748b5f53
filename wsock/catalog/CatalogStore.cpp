#include "wsock/catalog/CatalogStore.h"

#include <cstring>

namespace wsock {

namespace {

constexpr wchar_t kEntriesValue[] = L"Entries";
constexpr wchar_t kNextIdValue[] = L"NextCatalogEntryId";
constexpr wchar_t kSerialValue[] = L"Serial";
constexpr wchar_t kMutexName[] = L"WsockHostCatalogLock";

HANDLE CreateCatalogMutex() noexcept {
    return ::CreateMutexW(nullptr, FALSE, kMutexName);
}

}  // namespace

// The mutex member is initialised first, so the lock below always sees it.
CCatalogLock::CCatalogLock() noexcept : m_hMutex(CreateCatalogMutex()), m_lock(m_hMutex.Get()) {}

Catalog ReadCatalog(CatalogView view) {
    Catalog catalog;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCatalogKeyPath, 0,
                        KEY_READ | static_cast<REGSAM>(view), &hKey) != ERROR_SUCCESS) {
        return catalog;
    }
    const CRegKey key(hKey);
    ReadCatalogSerial(key.Get(), &catalog.serial);
    DWORD dwId = 0;
    DWORD cb = sizeof dwId;
    DWORD dwType = 0;
    if (::RegQueryValueExW(key.Get(), kNextIdValue, nullptr, &dwType,
                           reinterpret_cast<BYTE*>(&dwId), &cb) == ERROR_SUCCESS &&
        dwType == REG_DWORD) {
        catalog.nextEntryId = dwId;
    }
    cb = 0;
    if (::RegQueryValueExW(key.Get(), kEntriesValue, nullptr, &dwType, nullptr, &cb) !=
            ERROR_SUCCESS ||
        dwType != REG_BINARY || cb % sizeof(CatalogRecord) != 0) {
        return catalog;
    }
    catalog.records.resize(cb / sizeof(CatalogRecord));
    if (cb != 0 &&
        ::RegQueryValueExW(key.Get(), kEntriesValue, nullptr, &dwType,
                           reinterpret_cast<BYTE*>(catalog.records.data()), &cb) != ERROR_SUCCESS) {
        catalog.records.clear();
    }
    return catalog;
}

bool WriteCatalog(const Catalog& catalog, CatalogView view) {
    HKEY hKey = nullptr;
    LONG lResult =
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCatalogKeyPath, 0, nullptr, 0,
                          KEY_ALL_ACCESS | static_cast<REGSAM>(view), nullptr, &hKey, nullptr);
    if (lResult != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(lResult));
        return false;
    }
    const CRegKey key(hKey);
    const auto cb = static_cast<DWORD>(catalog.records.size() * sizeof(CatalogRecord));
    lResult = ::RegSetValueExW(key.Get(), kEntriesValue, 0, REG_BINARY,
                               reinterpret_cast<const BYTE*>(catalog.records.data()), cb);
    if (lResult == ERROR_SUCCESS) {
        lResult = ::RegSetValueExW(key.Get(), kNextIdValue, 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&catalog.nextEntryId),
                                   sizeof catalog.nextEntryId);
    }
    if (lResult == ERROR_SUCCESS) {
        // Last, so a reader that sees the new serial also finds the new records.
        const DWORD dwSerial = catalog.serial + 1;
        lResult = ::RegSetValueExW(key.Get(), kSerialValue, 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&dwSerial), sizeof dwSerial);
    }
    if (lResult != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(lResult));
        return false;
    }
    return true;
}

bool ReadCatalogSerial(HKEY hKey, DWORD* pSerial) {
    DWORD dwType = 0;
    DWORD cb = sizeof *pSerial;
    return ::RegQueryValueExW(hKey, kSerialValue, nullptr, &dwType,
                              reinterpret_cast<BYTE*>(pSerial), &cb) == ERROR_SUCCESS &&
           dwType == REG_DWORD && cb == sizeof *pSerial;
}

// The key holds values only.
void DeleteCatalog(CatalogView view) {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kCatalogKeyPath, static_cast<REGSAM>(view), 0);
}

}  // namespace wsock
