// The journal of the last blocks, kept in a block of memory that several processes may map at
// once: a ring of slots that any thread of any of them appends to and any reader copies out,
// without a lock.
//
// Each slot has a state word: 0 while empty, the sequence number of the entry it holds, or
// that number with kWriting set while its writer is still copying. A writer takes the next
// number, claims the slot by changing its state from a finished older entry to its own number
// with kWriting, copies the entry, then publishes the bare number. Only the claimant ever
// copies into a slot, so a writer that finds the slot claimed by another, or already holding a
// newer entry (the ring wrapped past a slow writer), gives its entry up instead of mixing it
// with the other's. A reader takes an entry only when the state shows the same finished number
// before and after its copy. A writer that dies between its claim and its publication leaves
// its slot claimed: that slot's later entries are given up until the memory is made anew,
// which is safer than guessing that a stalled writer will never copy again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Api/portable/BlockJournalEntry.h"

class CBlockJournalRing {
public:
    static constexpr std::size_t kSlots = 256;

    // Bytes of memory a ring of nSlots needs.
    static std::size_t RequiredSize(std::size_t nSlots = kSlots) noexcept;

    // pMemory: RequiredSize(nSlots) bytes, aligned to 8, zero-filled before its first user and
    // used with the same nSlots by every user. Its content is never trusted: any process that
    // maps it may have written anything there.
    explicit CBlockJournalRing(void* pMemory, std::size_t nSlots = kSlots) noexcept;

    // Records a copy of the entry under the next sequence number, which it returns. Its own
    // ullSequence is ignored and its texts are cut to fit. 0 when the entry was given up: its
    // slot was still being written by a writer the ring had wrapped past, or already held a
    // newer entry. Its number is then never seen.
    std::uint64_t Append(const BlockJournalEntry& entry) noexcept;

    // Copies out, oldest first, at most nMax of the entries still in the ring whose sequence
    // number is greater than ullAfter, and returns their count. Numbers missing between
    // ullAfter and the first one, or between two copied, belong to entries overwritten, given
    // up, or still being written. Every text copied out is NUL-terminated.
    std::size_t ReadAfter(std::uint64_t ullAfter, BlockJournalEntry* pOut,
                          std::size_t nMax) const noexcept;

private:
    friend class CBlockJournalRingTestPeer;  // steps a writer through Append one at a time

    static constexpr std::uint64_t kWriting = std::uint64_t{1} << 63;

    std::uint64_t* Slot(std::uint64_t ullSequence) const noexcept;
    // The steps of Append: a number (0 when none is left), the slot claimed for it (null when
    // the entry is to be given up), then the copy and its publication.
    std::uint64_t TakeNumber() noexcept;
    std::uint64_t* Claim(std::uint64_t ullSequence) noexcept;
    static void Fill(std::uint64_t* pSlot, std::uint64_t ullSequence,
                     const BlockJournalEntry& entry) noexcept;
    bool ReadSlot(std::uint64_t ullSequence, BlockJournalEntry& out) const noexcept;

    // Word 0 of the header: the last sequence number given out.
    std::uint64_t* m_pWords;
    std::size_t m_nSlots;
};
