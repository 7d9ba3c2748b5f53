// The journal of blocks: the filter's writer and the reader for any program.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "Api/BlockJournal.h"
#include "Api/Library.h"
#include "Api/PolicyApi.h"

namespace {

unsigned long long CurrentFileTime() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

}  // namespace

extern "C" int AppendBlockJournal(const BlockJournalEntry* pEntry) {
    return Guarded(0, [&] {
        if (pEntry == nullptr) {
            return 0;
        }
        CBlockJournalRing* pJournal = SharedBlockJournal();
        if (pJournal == nullptr) {
            return 0;
        }
        BlockJournalEntry entry = *pEntry;
        if (entry.ullTime == 0) {
            entry.ullTime = CurrentFileTime();
        }
        if (entry.szProcess[0] == '\0') {
            const std::string strName = HostProgramName();
            const std::size_t nLength = std::min(strName.size(), sizeof entry.szProcess - 1);
            std::memcpy(entry.szProcess, strName.data(), nLength);
            entry.szProcess[nLength] = '\0';
        }
        return pJournal->Append(entry) != 0 ? 1 : 0;
    });
}

extern "C" int ReadBlockJournal(unsigned long long ullAfter, BlockJournalEntry* pEntries, int nMax,
                                int* pCount) {
    return Guarded(0, [&] {
        if (pCount == nullptr) {
            return 0;
        }
        *pCount = 0;
        if (nMax < 0 || (pEntries == nullptr && nMax > 0)) {
            return 0;
        }
        const CBlockJournalRing* pJournal = SharedBlockJournal();
        if (pJournal == nullptr) {
            return 0;
        }
        *pCount = static_cast<int>(
            pJournal->ReadAfter(ullAfter, pEntries, static_cast<std::size_t>(nMax)));
        return 1;
    });
}
