// What the settings program would do, done through the policy library the filter loaded into
// the test's process: the Default profile's lists and the configured category server.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Api/portable/BlockJournalEntry.h"
#include "win/ProductRegistry.h"

class CPolicyLibrary {
public:
    using SetList = int (*)(const char*, int, char***, int*);
    using SetCategories = int (*)(const char*, char***, int*);

    CPolicyLibrary() : m_hModule(::GetModuleHandleA("PolicyApi.dll")) {}

    // iAllowed 0: the blocked words; 1: the allowed ones.
    bool SetWords(std::vector<const char*> words, int iAllowed = 0) const {
        const auto pSet = Proc<SetList>("SetURLList");
        char** list = const_cast<char**>(words.data());
        int count = static_cast<int>(words.size());
        return pSet != nullptr && pSet("Default", iAllowed, &list, &count) == 1 && RequireUpdate();
    }
    bool SetBlockedWords(std::vector<const char*> words) const { return SetWords(words, 0); }
    bool SetBlockedCategories(std::vector<const char*> names) const {
        const auto pSet = Proc<SetCategories>("SetCategoryList");
        char** list = const_cast<char**>(names.data());
        int count = static_cast<int>(names.size());
        return pSet != nullptr && pSet("Default", &list, &count) == 1 && RequireUpdate();
    }

    // The newest entry of the journal of blocks (sequence number 0 when there is none).
    BlockJournalEntry NewestBlock() const {
        using Read = int (*)(unsigned long long, BlockJournalEntry*, int, int*);
        const auto pRead = Proc<Read>("ReadBlockJournal");
        std::vector<BlockJournalEntry> entries(256);
        int count = 0;
        if (pRead == nullptr || pRead(0, entries.data(), 256, &count) != 1 || count == 0) {
            return {};
        }
        return entries[static_cast<std::size_t>(count) - 1];
    }

private:
    template <class F>
    F Proc(const char* szName) const {
        const FARPROC p = m_hModule != nullptr ? ::GetProcAddress(m_hModule, szName) : nullptr;
        return reinterpret_cast<F>(reinterpret_cast<void*>(p));
    }
    bool RequireUpdate() const {
        const auto pUpdate = Proc<int (*)(int)>("UpdateRequire");
        return pUpdate != nullptr && pUpdate(1) == 1;
    }
    HMODULE m_hModule;
};

// The configured category server; read by the filter at its next reload.
inline void UseCategoryServer(const std::string& strAddress, int iPort) {
    const CRegKey key = OpenProductKey(KEY_SET_VALUE);
    ::RegSetValueExA(key.Get(), "TLVServerIP", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(strAddress.c_str()),
                     static_cast<DWORD>(strAddress.size() + 1));
    const DWORD dwPort = static_cast<DWORD>(iPort);
    ::RegSetValueExA(key.Get(), "TLVServerPort", 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&dwPort), sizeof dwPort);
}

// The second category server ("TLVServer2"), asked when the first does not answer; empty for
// none. Read by the filter at its next reload.
inline void UseSecondCategoryServer(const std::string& strAddressAndPort) {
    const CRegKey key = OpenProductKey(KEY_SET_VALUE);
    ::RegSetValueExA(key.Get(), "TLVServer2", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(strAddressAndPort.c_str()),
                     static_cast<DWORD>(strAddressAndPort.size() + 1));
}
