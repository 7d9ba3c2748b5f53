// The stand-in's Winsock catalogue, persisted in the registry: one binary value holds the
// records in catalogue order, another the next free catalogue entry id, a third a serial
// number that every write moves on, so readers can tell a changed catalogue from the one they
// hold. A named mutex keeps read-modify-write cycles of several processes apart.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <vector>

#include "win/MutexLock.h"
#include "win/UniqueHandle.h"

namespace wsock {

inline constexpr wchar_t kCatalogKeyPath[] = L"Software\\WsockHost\\Catalog";
inline constexpr DWORD kFirstCatalogEntryId = 1001;

struct CatalogRecord {
    WSAPROTOCOL_INFOW info;
    wchar_t path[MAX_PATH];  // unexpanded, as installed
};

struct Catalog {
    std::vector<CatalogRecord> records;
    DWORD nextEntryId = kFirstCatalogEntryId;
    DWORD serial = 0;
};

// Which catalogue of a 64-bit system: the process's own, or the one its 32-bit programs use,
// kept in the registry's 32-bit view as WoW64 shows it to them (so that a 32-bit host's own
// catalogue is that one).
enum class CatalogView : REGSAM { kOwn = 0, k32Bit = KEY_WOW64_32KEY };

// Serialises catalogue changes across processes while it lives.
class CCatalogLock {
public:
    CCatalogLock() noexcept;

private:
    CHandle m_hMutex;
    CMutexLock m_lock;
};

// An empty catalogue when the key or its values are missing or malformed.
Catalog ReadCatalog(CatalogView view = CatalogView::kOwn);
// Writes the records and the next id, and moves the serial on from catalog.serial. False (with
// the Win32 error in GetLastError) when the registry refuses the write.
bool WriteCatalog(const Catalog& catalog, CatalogView view = CatalogView::kOwn);
// The serial number under an open catalogue key; false when the query fails (the key was
// deleted, or an older writer left no serial).
bool ReadCatalogSerial(HKEY hKey, DWORD* pSerial);
// Removes the whole catalogue key.
void DeleteCatalog(CatalogView view = CatalogView::kOwn);

}  // namespace wsock
