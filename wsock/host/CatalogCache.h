// The catalogue as this process last read it. Every socket request needs it, and the registry
// copy changes only when providers are installed, removed or reordered, so the host reads the
// records again only when the catalogue's serial number has moved: one registry query per
// request instead of a full read, as the system's Winsock keeps its catalogue in memory.
#pragma once

#include <memory>
#include <mutex>

#include "wsock/catalog/CatalogStore.h"

namespace wsock {

class CCatalogCache {
public:
    static CCatalogCache& Instance();

    // The current catalogue; empty when there is none. Callers may keep it while the cache
    // moves on to a newer one.
    std::shared_ptr<const Catalog> Current();

private:
    std::mutex m_lock;
    CRegKey m_key;
    std::shared_ptr<const Catalog> m_pCatalog;
};

}  // namespace wsock
