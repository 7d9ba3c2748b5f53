// The product's registry configuration under HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

#include "win/UniqueHandle.h"

inline constexpr char kProductKeyPath[] = "Software\\Tarnwell\\Parental Control";

// "parent\child" as a constant, for key paths built from the product key's.
template <std::size_t nParent, std::size_t nChild>
constexpr std::array<char, nParent + nChild> SubKeyPath(const char (&parent)[nParent],
                                                        const char (&child)[nChild]) {
    std::array<char, nParent + nChild> path{};
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < nParent; ++i) {
        path[n++] = parent[i];
    }
    path[n++] = '\\';
    for (std::size_t i = 0; i + 1 < nChild; ++i) {
        path[n++] = child[i];
    }
    return path;
}

// Opens HKLM\<product key>; an empty key when that fails. Readers ask for read access only:
// a process without the right to change the key may still read it.
CRegKey OpenProductKey(REGSAM access = KEY_READ);

// A REG_DWORD value; empty when missing or of another size.
std::optional<DWORD> ReadRegDword(HKEY hKey, const char* szName);
// A REG_SZ value of at most nMax - 1 characters; empty when missing.
std::optional<std::string> ReadRegString(HKEY hKey, const char* szName, DWORD nMax = 1024);

// The product key, opened once per module and kept, for values read often: the log writers
// read it whenever one is made (the filter makes one per category lookup), as does the lookup
// for the server address, and opening and closing the key for each read cost two more
// wineserver round trips under Wine. A read that fails on a kept handle whose key has since
// been deleted (and perhaps made again) is tried once more on a fresh open, so the results
// are those of opening the key for each read.
class CKeptProductKey {
public:
    // read(HKEY) gives an optional value. *pbOpened: whether the key could be opened.
    template <class F>
    auto Read(F read, bool* pbOpened) -> decltype(read(HKEY{})) {
        const std::lock_guard lock(m_lock);
        for (;;) {
            const bool bFresh = !m_key;
            if (bFresh) {
                m_key = OpenProductKey();
            }
            *pbOpened = static_cast<bool>(m_key);
            if (!m_key) {
                return {};
            }
            auto value = read(m_key.Get());
            if (value || bFresh || StillThere()) {
                return value;
            }
            m_key.Reset();
        }
    }

private:
    bool StillThere() const {
        return ::RegQueryInfoKeyA(m_key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    std::mutex m_lock;
    CRegKey m_key;
};

// The module's one kept key.
CKeptProductKey& KeptProductKey();
