// Gives a test its own HKLM product key: removed at the start (fresh state) and at the end.
// Tests that use it share machine-wide state and are registered with a resource lock.
#pragma once

#include <windows.h>

#include <string>

#include "win/ProductRegistry.h"

class CScopedProductKey {
public:
    // bCreate: make the key (empty); otherwise leave it missing.
    explicit CScopedProductKey(bool bCreate = true) {
        Remove();
        if (bCreate) {
            HKEY hKey = nullptr;
            ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &hKey, nullptr);
            m_key.Reset(hKey);
        }
    }
    CScopedProductKey(const CScopedProductKey&) = delete;
    CScopedProductKey& operator=(const CScopedProductKey&) = delete;
    ~CScopedProductKey() {
        m_key.Reset();
        Remove();
    }

    bool Exists() const { return static_cast<bool>(m_key); }

    void SetString(const char* szName, const std::string& strValue) {
        ::RegSetValueExA(m_key.Get(), szName, 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(strValue.c_str()),
                         static_cast<DWORD>(strValue.size() + 1));
    }
    void SetDword(const char* szName, DWORD dwValue) {
        ::RegSetValueExA(m_key.Get(), szName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                         sizeof dwValue);
    }

private:
    static void Remove() { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKeyPath); }

    CRegKey m_key;
};
