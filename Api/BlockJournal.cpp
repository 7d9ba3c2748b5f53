#include "Api/BlockJournal.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <optional>

#include "Api/Library.h"
#include "log/portable/Format.h"
#include "win/CriticalSection.h"
#include "win/UniqueHandle.h"

namespace {

// Per session: the browsers the filter runs in and the settings program that shows the
// journal all run in the user's session, and a process without elevation may not create a
// "Global\" object. The number goes up whenever the layout of the memory changes, so that
// builds of different layouts never share it.
constexpr wchar_t kMappingName[] = L"Local\\TarnwellParentalControl.BlockJournal.1";

class CSharedJournal {
public:
    CBlockJournalRing* Get() noexcept {
        if (CBlockJournalRing* pRing = m_pRing.load(std::memory_order_acquire)) {
            return pRing;
        }
        const CCriticalSectionLock lock(m_openLock);
        if (m_pRing.load(std::memory_order_relaxed) == nullptr) {
            Open();
        }
        return m_pRing.load(std::memory_order_relaxed);
    }

private:
    void Open() noexcept {
        const std::size_t cbSize = CBlockJournalRing::RequiredSize();
        // Paging-file memory starts zero-filled, which is an empty ring. An existing mapping
        // smaller than this one fails the view, and the journal stays closed.
        CHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             static_cast<DWORD>(cbSize), kMappingName));
        CMappedView view;
        if (mapping) {
            view.Reset(
                ::MapViewOfFile(mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, cbSize));
        }
        if (!view) {
            LogFailure(::GetLastError());
            return;
        }
        m_ring.emplace(view.Get());
        m_mapping = std::move(mapping);
        m_view = std::move(view);
        m_pRing.store(&*m_ring, std::memory_order_release);
    }

    static void LogFailure(DWORD dwError) noexcept {
        try {
            LogApi(Format("API :: Block journal cannot be opened : %lu", dwError), 1);
        } catch (...) {
        }
    }

    CCriticalSection m_openLock;
    CHandle m_mapping;
    CMappedView m_view;
    std::optional<CBlockJournalRing> m_ring;
    std::atomic<CBlockJournalRing*> m_pRing{nullptr};
};

CSharedJournal g_journal;

// The mapping's size goes to CreateFileMappingW as its low 32 bits alone.
static_assert(sizeof(BlockJournalEntry) <= 4096);
// 32-bit and 64-bit processes share the journal: its entries must have one layout in both.
static_assert(offsetof(BlockJournalEntry, ullTime) == 8 &&
              offsetof(BlockJournalEntry, iPolicy) == 16);
static_assert(offsetof(BlockJournalEntry, szProfile) == 24);
static_assert(offsetof(BlockJournalEntry, szMatch) == 1585 && sizeof(BlockJournalEntry) == 1848);

}  // namespace

CBlockJournalRing* SharedBlockJournal() noexcept {
    return g_journal.Get();
}
