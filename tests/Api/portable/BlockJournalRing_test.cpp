#include "Api/portable/BlockJournalRing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

// Takes a writer through Append step by step, to stop it where a slow thread might stop.
class CBlockJournalRingTestPeer {
public:
    explicit CBlockJournalRingTestPeer(CBlockJournalRing& ring) : m_ring(ring) {}
    std::uint64_t TakeNumber() { return m_ring.TakeNumber(); }
    std::uint64_t* Claim(std::uint64_t ullSequence) { return m_ring.Claim(ullSequence); }
    static void Fill(std::uint64_t* pSlot, std::uint64_t ullSequence,
                     const BlockJournalEntry& entry) {
        CBlockJournalRing::Fill(pSlot, ullSequence, entry);
    }

private:
    CBlockJournalRing& m_ring;
};

namespace {

// Zeroed memory for a ring, as a fresh mapping is.
struct CRingMemory {
    explicit CRingMemory(std::size_t nSlots = CBlockJournalRing::kSlots)
        : words(CBlockJournalRing::RequiredSize(nSlots) / sizeof(std::uint64_t)),
          ring(words.data(), nSlots) {}
    std::vector<std::uint64_t> words;
    CBlockJournalRing ring;
};

// Every field follows from the writer and its count, so that a copy made of two entries shows.
BlockJournalEntry MakeEntry(int iWriter, int i) {
    BlockJournalEntry entry{};
    entry.ullTime = static_cast<std::uint64_t>(iWriter) * 1000000 + static_cast<std::uint64_t>(i);
    entry.iPolicy = 3 + i % 3;
    entry.iScheme = 1 + i % 2;
    const std::string strHost(static_cast<std::size_t>(1 + i % 200),
                              static_cast<char>('a' + iWriter));
    const std::string strUrl =
        "http://" + strHost + "/" + std::string(static_cast<std::size_t>(i % 900), 'p');
    std::snprintf(entry.szProfile, sizeof entry.szProfile, "profile%d", iWriter);
    std::snprintf(entry.szProcess, sizeof entry.szProcess, "writer%d.exe", iWriter);
    std::snprintf(entry.szHost, sizeof entry.szHost, "%s", strHost.c_str());
    std::snprintf(entry.szUrl, sizeof entry.szUrl, "%s", strUrl.c_str());
    std::snprintf(entry.szMatch, sizeof entry.szMatch, "%d", i);
    return entry;
}

// The entry of writer and count that the time names.
BlockJournalEntry EntryOfTime(std::uint64_t ullTime) {
    return MakeEntry(static_cast<int>(ullTime / 1000000), static_cast<int>(ullTime % 1000000));
}

bool SameFields(const BlockJournalEntry& a, const BlockJournalEntry& b) {
    return a.ullTime == b.ullTime && a.iPolicy == b.iPolicy && a.iScheme == b.iScheme &&
           std::strcmp(a.szProfile, b.szProfile) == 0 &&
           std::strcmp(a.szProcess, b.szProcess) == 0 && std::strcmp(a.szHost, b.szHost) == 0 &&
           std::strcmp(a.szUrl, b.szUrl) == 0 && std::strcmp(a.szMatch, b.szMatch) == 0;
}

std::vector<BlockJournalEntry> ReadAfter(const CBlockJournalRing& ring, std::uint64_t ullAfter,
                                         std::size_t nMax = CBlockJournalRing::kSlots) {
    std::vector<BlockJournalEntry> entries(nMax);
    entries.resize(ring.ReadAfter(ullAfter, entries.data(), nMax));
    return entries;
}

std::vector<std::uint64_t> Sequences(const std::vector<BlockJournalEntry>& entries) {
    std::vector<std::uint64_t> sequences;
    for (const BlockJournalEntry& entry : entries) {
        sequences.push_back(entry.ullSequence);
    }
    return sequences;
}

}  // namespace

TEST(BlockJournalRing, ReadsAfterANumberOldestFirstAndKeepsTheLast256) {
    CRingMemory memory;
    CBlockJournalRing& ring = memory.ring;
    EXPECT_TRUE(ReadAfter(ring, 0).empty());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ring.Append(MakeEntry(0, i)), static_cast<std::uint64_t>(i + 1));
    }
    EXPECT_EQ(Sequences(ReadAfter(ring, 7)), (std::vector<std::uint64_t>{8, 9, 10}));
    // Less room than entries: the oldest come first, and the caller goes on from the last.
    EXPECT_EQ(Sequences(ReadAfter(ring, 3, 2)), (std::vector<std::uint64_t>{4, 5}));
    EXPECT_TRUE(ReadAfter(ring, 10).empty());
    EXPECT_TRUE(ReadAfter(ring, ~std::uint64_t{0}).empty());

    for (int i = 10; i < 300; ++i) {
        ring.Append(MakeEntry(0, i));
    }
    const auto all = ReadAfter(ring, 0, 300);
    ASSERT_EQ(all.size(), 256u);
    for (std::size_t k = 0; k < all.size(); ++k) {
        // 1..44 were overwritten: the first number after the one asked for is 45.
        EXPECT_EQ(all[k].ullSequence, 45 + k);
        EXPECT_TRUE(SameFields(all[k], MakeEntry(0, static_cast<int>(44 + k)))) << k;
    }
    EXPECT_EQ(ReadAfter(ring, 100, 300).size(), 200u);
}

TEST(BlockJournalRing, TextsNeverRunPastTheirFields) {
    CRingMemory memory;
    BlockJournalEntry unterminated;
    std::memset(&unterminated, 'x', sizeof unterminated);
    ASSERT_EQ(memory.ring.Append(unterminated), 1u);
    auto read = ReadAfter(memory.ring, 0);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(std::strlen(read[0].szProfile), 20u);
    EXPECT_EQ(std::strlen(read[0].szProcess), 259u);
    EXPECT_EQ(std::strlen(read[0].szHost), 255u);
    EXPECT_EQ(std::strlen(read[0].szUrl), 1023u);
    EXPECT_EQ(std::strlen(read[0].szMatch), 255u);

    // Any process may have scribbled over the memory; a reader's copies are still terminated.
    std::memset(memory.words.data(), 'A', memory.words.size() * sizeof(std::uint64_t));
    read = ReadAfter(memory.ring, 0);
    ASSERT_FALSE(read.empty());
    for (const BlockJournalEntry& entry : read) {
        EXPECT_EQ(std::strlen(entry.szUrl), 1023u);
    }
}

// Two writers for one slot: the one still copying when the ring wraps keeps it, and the newer
// one gives its entry up; a writer that comes after a newer entry was put there gives way too.
TEST(BlockJournalRing, WritersRacingForASlotNeverMixTheirEntries) {
    CRingMemory memory(4);
    CBlockJournalRing& ring = memory.ring;
    CBlockJournalRingTestPeer slow(ring);
    const std::uint64_t ullSlow = slow.TakeNumber();
    std::uint64_t* pSlot = slow.Claim(ullSlow);
    ASSERT_NE(pSlot, nullptr);
    std::vector<std::uint64_t> given;
    for (int i = 1; i <= 4; ++i) {
        given.push_back(ring.Append(MakeEntry(2, i)));
    }
    EXPECT_EQ(given, (std::vector<std::uint64_t>{2, 3, 4, 0}));
    CBlockJournalRingTestPeer::Fill(pSlot, ullSlow, MakeEntry(1, 0));
    EXPECT_EQ(Sequences(ReadAfter(ring, 0)), (std::vector<std::uint64_t>{2, 3, 4}));

    CBlockJournalRingTestPeer late(ring);
    const std::uint64_t ullLate = late.TakeNumber();
    for (int i = 6; i <= 9; ++i) {
        ring.Append(MakeEntry(2, i));
    }
    EXPECT_EQ(late.Claim(ullLate), nullptr);
    const auto all = ReadAfter(ring, 0);
    ASSERT_EQ(Sequences(all), (std::vector<std::uint64_t>{7, 8, 9, 10}));
    EXPECT_TRUE(SameFields(all[3], MakeEntry(2, 9)));
}

// Writers on several threads and a reader at once (on two shared cores the ring also wraps past
// writers stopped mid-copy): every entry read is one writer's entry whole, under the number
// that writer was given, and no number is read twice.
TEST(BlockJournalRing, ConcurrentWritersNeverShowAMixedOrRepeatedEntry) {
    constexpr int kWriters = 4;
    constexpr int kPerWriter = 5000;
    CRingMemory memory;
    CBlockJournalRing& ring = memory.ring;
    std::vector<std::vector<std::uint64_t>> given(kWriters);  // 0: given up
    std::atomic<int> running{kWriters};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < kPerWriter; ++i) {
                given[static_cast<std::size_t>(w)].push_back(ring.Append(MakeEntry(w, i)));
            }
            running.fetch_sub(1);
        });
    }
    std::vector<BlockJournalEntry> seen;
    std::vector<BlockJournalEntry> buffer(64);
    auto readMore = [&] {
        const std::uint64_t ullAfter = seen.empty() ? 0 : seen.back().ullSequence;
        const std::size_t n = ring.ReadAfter(ullAfter, buffer.data(), buffer.size());
        for (std::size_t k = 0; k < n; ++k) {
            ASSERT_GT(buffer[k].ullSequence, seen.empty() ? 0 : seen.back().ullSequence);
            ASSERT_TRUE(SameFields(buffer[k], EntryOfTime(buffer[k].ullTime)))
                << buffer[k].ullSequence;
            seen.push_back(buffer[k]);
        }
    };
    while (running.load() > 0) {
        readMore();
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    readMore();

    std::size_t nGivenUp = 0;
    for (const auto& numbers : given) {
        nGivenUp += static_cast<std::size_t>(std::count(numbers.begin(), numbers.end(), 0u));
    }
    // With every writer done, only entries given up are missing from the ring.
    const auto last = ReadAfter(ring, 0);
    EXPECT_GE(last.size() + nGivenUp, CBlockJournalRing::kSlots);
    seen.insert(seen.end(), last.begin(), last.end());
    for (const BlockJournalEntry& entry : seen) {
        const auto& numbers = given[entry.ullTime / 1000000];
        EXPECT_EQ(numbers[entry.ullTime % 1000000], entry.ullSequence);
    }
}
