#include "Api/portable/BlockJournalRing.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>

namespace {

// The memory is shared between processes: only lock-free atomics work there.
static_assert(std::atomic_ref<std::uint64_t>::is_always_lock_free);
static_assert(std::is_trivially_copyable_v<BlockJournalEntry>);

constexpr std::size_t kHeaderWords = 8;  // a cache line of its own for the counter
constexpr std::size_t kEntryWords = (sizeof(BlockJournalEntry) + 7) / 8;
constexpr std::size_t kSlotWords = 1 + kEntryWords;  // the state word, then the entry

using EntryWords = std::uint64_t[kEntryWords];

template <std::size_t N>
void CopyText(char (&to)[N], const char (&from)[N]) noexcept {
    const std::size_t nLength = strnlen(from, N - 1);
    std::memcpy(to, from, nLength);
    std::memset(to + nLength, 0, N - nLength);
}

template <std::size_t N>
void Terminate(char (&text)[N]) noexcept {
    text[N - 1] = '\0';
}

// Built field by field from a zeroed entry, so that neither padding nor whatever followed a
// caller's terminator reaches the memory other processes read.
void MakeClean(const BlockJournalEntry& from, std::uint64_t ullSequence, EntryWords& words) {
    BlockJournalEntry clean{};
    clean.ullSequence = ullSequence;
    clean.ullTime = from.ullTime;
    clean.iPolicy = from.iPolicy;
    clean.iScheme = from.iScheme;
    CopyText(clean.szProfile, from.szProfile);
    CopyText(clean.szProcess, from.szProcess);
    CopyText(clean.szHost, from.szHost);
    CopyText(clean.szUrl, from.szUrl);
    CopyText(clean.szMatch, from.szMatch);
    std::memset(words, 0, sizeof words);
    std::memcpy(words, &clean, sizeof clean);
}

}  // namespace

std::size_t CBlockJournalRing::RequiredSize(std::size_t nSlots) noexcept {
    return (kHeaderWords + nSlots * kSlotWords) * sizeof(std::uint64_t);
}

CBlockJournalRing::CBlockJournalRing(void* pMemory, std::size_t nSlots) noexcept
    : m_pWords(static_cast<std::uint64_t*>(pMemory)), m_nSlots(nSlots) {}

std::uint64_t* CBlockJournalRing::Slot(std::uint64_t ullSequence) const noexcept {
    return m_pWords + kHeaderWords + ((ullSequence - 1) % m_nSlots) * kSlotWords;
}

std::uint64_t CBlockJournalRing::TakeNumber() noexcept {
    const std::uint64_t ullSequence =
        std::atomic_ref<std::uint64_t>(m_pWords[0]).fetch_add(1, std::memory_order_relaxed) + 1;
    // Only a scribbled counter gets this far.
    return ullSequence < kWriting ? ullSequence : 0;
}

std::uint64_t* CBlockJournalRing::Claim(std::uint64_t ullSequence) noexcept {
    std::uint64_t* pSlot = Slot(ullSequence);
    std::atomic_ref<std::uint64_t> state(pSlot[0]);
    std::uint64_t ullSeen = state.load(std::memory_order_relaxed);
    do {
        // Another writer still copying here (the ring wrapped past it), or a newer entry
        // already in place: either way this one gives way, so that two never share a slot.
        if ((ullSeen & kWriting) != 0 || ullSeen >= ullSequence) {
            return nullptr;
        }
    } while (
        !state.compare_exchange_weak(ullSeen, ullSequence | kWriting, std::memory_order_relaxed));
    // Readers that see any word copied after this also see the claim, and discard their copy.
    std::atomic_thread_fence(std::memory_order_release);
    return pSlot;
}

void CBlockJournalRing::Fill(std::uint64_t* pSlot, std::uint64_t ullSequence,
                             const BlockJournalEntry& entry) noexcept {
    EntryWords words;
    MakeClean(entry, ullSequence, words);
    for (std::size_t i = 0; i < kEntryWords; ++i) {
        std::atomic_ref<std::uint64_t>(pSlot[1 + i]).store(words[i], std::memory_order_relaxed);
    }
    std::atomic_ref<std::uint64_t>(pSlot[0]).store(ullSequence, std::memory_order_release);
}

std::uint64_t CBlockJournalRing::Append(const BlockJournalEntry& entry) noexcept {
    const std::uint64_t ullSequence = TakeNumber();
    std::uint64_t* pSlot = ullSequence != 0 ? Claim(ullSequence) : nullptr;
    if (pSlot == nullptr) {
        return 0;
    }
    Fill(pSlot, ullSequence, entry);
    return ullSequence;
}

bool CBlockJournalRing::ReadSlot(std::uint64_t ullSequence, BlockJournalEntry& out) const noexcept {
    std::uint64_t* pSlot = Slot(ullSequence);
    std::atomic_ref<std::uint64_t> state(pSlot[0]);
    if (state.load(std::memory_order_acquire) != ullSequence) {
        return false;
    }
    EntryWords words;
    for (std::size_t i = 0; i < kEntryWords; ++i) {
        words[i] = std::atomic_ref<std::uint64_t>(pSlot[1 + i]).load(std::memory_order_relaxed);
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    if (state.load(std::memory_order_relaxed) != ullSequence) {
        return false;
    }
    std::memcpy(&out, words, sizeof out);
    out.ullSequence = ullSequence;
    Terminate(out.szProfile);
    Terminate(out.szProcess);
    Terminate(out.szHost);
    Terminate(out.szUrl);
    Terminate(out.szMatch);
    return true;
}

std::size_t CBlockJournalRing::ReadAfter(std::uint64_t ullAfter, BlockJournalEntry* pOut,
                                         std::size_t nMax) const noexcept {
    const std::uint64_t ullLast =
        std::atomic_ref<std::uint64_t>(m_pWords[0]).load(std::memory_order_acquire);
    if (ullAfter >= ullLast || pOut == nullptr) {
        return 0;
    }
    // Counted, not compared with ullLast, so that a counter scribbled near its end cannot wrap.
    const std::uint64_t ullSpan = std::min<std::uint64_t>(ullLast - ullAfter, m_nSlots);
    const std::uint64_t ullFirst = ullLast - ullSpan + 1;
    std::size_t nCopied = 0;
    for (std::uint64_t i = 0; i < ullSpan && nCopied < nMax; ++i) {
        if (ReadSlot(ullFirst + i, pOut[nCopied])) {
            ++nCopied;
        }
    }
    return nCopied;
}
