#include "wsock/host/CatalogCache.h"

namespace wsock {

CCatalogCache& CCatalogCache::Instance() {
    // Never destroyed, as the host itself: nothing to release at process exit.
    static auto* s_pCache = new CCatalogCache;
    return *s_pCache;
}

std::shared_ptr<const Catalog> CCatalogCache::Current() {
    const std::lock_guard lock(m_lock);
    DWORD dwSerial = 0;
    bool bKnown = m_key && ReadCatalogSerial(m_key.Get(), &dwSerial);
    if (!bKnown) {
        // Never opened, or the key was deleted under the handle (and perhaps made again).
        m_pCatalog.reset();
        m_key.Reset();
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCatalogKeyPath, 0, KEY_READ, m_key.Put()) !=
            ERROR_SUCCESS) {
            // A failed open promises nothing about the handle it leaves: drop it unclosed.
            m_key.Release();
            return std::make_shared<const Catalog>();
        }
        bKnown = ReadCatalogSerial(m_key.Get(), &dwSerial);
    }
    // A catalogue without a serial is read every time.
    if (!bKnown || m_pCatalog == nullptr || m_pCatalog->serial != dwSerial) {
        m_pCatalog = std::make_shared<const Catalog>(ReadCatalog());
    }
    return m_pCatalog;
}

}  // namespace wsock
