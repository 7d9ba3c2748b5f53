#include "Api/portable/BlockJournalRing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// Zeroed memory for a ring, as a fresh mapping is.
class CRingMemory {
public:
    explicit CRingMemory(std::size_t nSlots = CBlockJournalRing::kSlots)
        : m_words(CBlockJournalRing::RequiredSize(nSlots) / sizeof(std::uint64_t)),
          m_ring(m_words.data(), nSlots) {}
    CBlockJournalRing& Ring() { return m_ring; }
    std::vector<std::uint64_t>& Words() { return m_words; }

private:
    std::vector<std::uint64_t> m_words;
    CBlockJournalRing m_ring;
};

template <std::size_t N>
void Put(char (&field)[N], const std::string& strText) {
    std::strncpy(field, strText.c_str(), N - 1);
}

// Every field follows from the writer and its count, so a copy made of two entries shows.
BlockJournalEntry MakeEntry(int iWriter, int i) {
    BlockJournalEntry entry{};
    entry.ullTime = static_cast<std::uint64_t>(iWriter) * 1000000 + static_cast<std::uint64_t>(i);
    entry.iPolicy = 3 + i % 3;
    entry.iScheme = 1 + i % 2;
    const std::string strHost(static_cast<std::size_t>(1 + i % 200),
                              static_cast<char>('a' + iWriter));
    Put(entry.szProfile, "profile" + std::to_string(iWriter));
    Put(entry.szProcess, "writer" + std::to_string(iWriter) + ".exe");
    Put(entry.szHost, strHost);
    Put(entry.szUrl,
        "http://" + strHost + "/" + std::string(static_cast<std::size_t>(i % 900), 'p'));
    Put(entry.szMatch, std::to_string(i));
    return entry;
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

// Takes a writer through Append step by step, to stop it where a slow thread might stop.
class CBlockJournalRingTestPeer {
public:
    explicit CBlockJournalRingTestPeer(CBlockJournalRing& ring) : m_ring(ring) {}
    std::uint64_t TakeNumber() { return m_ring.TakeNumber(); }
    std::uint64_t* Claim(std::uint64_t ullSequence) { return m_ring.Claim(ullSequence); }
    void Fill(std::uint64_t* pSlot, std::uint64_t ullSequence, const BlockJournalEntry& entry) {
        CBlockJournalRing::Fill(pSlot, ullSequence, entry);
    }

private:
    CBlockJournalRing& m_ring;
};

TEST(BlockJournalRing, ReadsTheEntriesAfterANumberOldestFirst) {
    CRingMemory memory;
    CBlockJournalRing& ring = memory.Ring();
    EXPECT_TRUE(ReadAfter(ring, 0).empty());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ring.Append(MakeEntry(0, i)), static_cast<std::uint64_t>(i + 1));
    }
    const auto all = ReadAfter(ring, 0);
    ASSERT_EQ(all.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(all[static_cast<std::size_t>(i)].ullSequence, static_cast<std::uint64_t>(i + 1));
        EXPECT_TRUE(SameFields(all[static_cast<std::size_t>(i)], MakeEntry(0, i))) << i;
    }
    EXPECT_EQ(Sequences(ReadAfter(ring, 7)), (std::vector<std::uint64_t>{8, 9, 10}));
    // Fewer room than entries: the oldest come first, and the caller goes on from the last.
    EXPECT_EQ(Sequences(ReadAfter(ring, 3, 2)), (std::vector<std::uint64_t>{4, 5}));
    EXPECT_TRUE(ReadAfter(ring, 10).empty());
    EXPECT_TRUE(ReadAfter(ring, ~std::uint64_t{0}).empty());
}

TEST(BlockJournalRing, AWrappedRingKeepsTheLastEntriesInOrder) {
    CRingMemory memory;
    CBlockJournalRing& ring = memory.Ring();
    for (int i = 0; i < 300; ++i) {
        ring.Append(MakeEntry(1, i));
    }
    const auto all = ReadAfter(ring, 0, 300);
    ASSERT_EQ(all.size(), 256u);
    for (std::size_t k = 0; k < all.size(); ++k) {
        // 1..44 were overwritten: the first number after the one asked for is 45, not 1.
        EXPECT_EQ(all[k].ullSequence, 45 + k);
        EXPECT_TRUE(SameFields(all[k], MakeEntry(1, static_cast<int>(44 + k)))) << k;
    }
    EXPECT_EQ(ReadAfter(ring, 100, 300).size(), 200u);
}

TEST(BlockJournalRing, TextsNeverRunPastTheirFields) {
    CRingMemory memory;
    CBlockJournalRing& ring = memory.Ring();
    // A writer's texts without terminators are cut.
    BlockJournalEntry unterminated;
    std::memset(&unterminated, 'x', sizeof unterminated);
    ASSERT_EQ(ring.Append(unterminated), 1u);
    auto read = ReadAfter(ring, 0);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(std::strlen(read[0].szProfile), 20u);
    EXPECT_EQ(std::strlen(read[0].szProcess), 259u);
    EXPECT_EQ(std::strlen(read[0].szHost), 255u);
    EXPECT_EQ(std::strlen(read[0].szUrl), 1023u);
    EXPECT_EQ(std::strlen(read[0].szMatch), 255u);

    // Any process may have scribbled over the memory: what a reader copies out is still
    // terminated, and a writer still gets no slot it would share.
    std::memset(memory.Words().data(), 'A', memory.Words().size() * sizeof(std::uint64_t));
    read = ReadAfter(ring, 0);
    ASSERT_FALSE(read.empty());
    for (const BlockJournalEntry& entry : read) {
        EXPECT_EQ(std::strlen(entry.szHost), 255u);
        EXPECT_EQ(std::strlen(entry.szUrl), 1023u);
    }
}

// A writer the ring wraps past while it is still copying keeps its slot: the newer writer for
// that slot gives its entry up rather than copy over the older one's half-written entry.
TEST(BlockJournalRing, AWriterOvertakenWhileCopyingKeepsItsSlot) {
    CRingMemory memory(4);
    CBlockJournalRing& ring = memory.Ring();
    CBlockJournalRingTestPeer slow(ring);
    const std::uint64_t ullSlow = slow.TakeNumber();
    std::uint64_t* pSlot = slow.Claim(ullSlow);
    ASSERT_NE(pSlot, nullptr);
    std::vector<std::uint64_t> given;
    for (int i = 1; i <= 4; ++i) {
        given.push_back(ring.Append(MakeEntry(2, i)));
    }
    EXPECT_EQ(given, (std::vector<std::uint64_t>{2, 3, 4, 0}));
    EXPECT_EQ(Sequences(ReadAfter(ring, 0)), (std::vector<std::uint64_t>{2, 3, 4}));

    slow.Fill(pSlot, ullSlow, MakeEntry(1, 0));
    const auto all = ReadAfter(ring, 0);
    // Number 1 has left the ring's window (2..5) by now: only its slot's later users count.
    ASSERT_EQ(Sequences(all), (std::vector<std::uint64_t>{2, 3, 4}));
    EXPECT_TRUE(SameFields(all[0], MakeEntry(2, 1)));
    // The slot works again for the next writer that comes to it.
    for (int i = 5; i <= 8; ++i) {
        ring.Append(MakeEntry(2, i));
    }
    const auto later = ReadAfter(ring, 5);
    ASSERT_EQ(Sequences(later), (std::vector<std::uint64_t>{6, 7, 8, 9}));
    EXPECT_TRUE(SameFields(later[3], MakeEntry(2, 8)));
}

// A writer that gets to its slot only after a newer entry was put there gives its own up.
TEST(BlockJournalRing, ALateWriterNeverOverwritesANewerEntry) {
    CRingMemory memory(4);
    CBlockJournalRing& ring = memory.Ring();
    CBlockJournalRingTestPeer late(ring);
    const std::uint64_t ullLate = late.TakeNumber();
    for (int i = 1; i <= 4; ++i) {
        ring.Append(MakeEntry(2, i));
    }
    EXPECT_EQ(late.Claim(ullLate), nullptr);
    const auto all = ReadAfter(ring, 0);
    ASSERT_EQ(Sequences(all), (std::vector<std::uint64_t>{2, 3, 4, 5}));
    EXPECT_TRUE(SameFields(all[3], MakeEntry(2, 4)));
}

// Writers on several threads and a reader at once (on two shared cores the ring also wraps past
// writers stopped mid-copy): every entry read is one writer's entry whole, under the number
// that writer was given, and no number is read twice.
TEST(BlockJournalRing, ConcurrentWritersNeverShowAMixedOrRepeatedEntry) {
    constexpr int kWriters = 4;
    constexpr int kKinds = 16;  // entries each writer cycles through, made beforehand
    constexpr int kPerWriter = 10000;
    std::vector<std::vector<BlockJournalEntry>> kinds(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        for (int j = 0; j < kKinds; ++j) {
            kinds[static_cast<std::size_t>(w)].push_back(MakeEntry(w, j * 61));
        }
    }
    const std::size_t nSlots = CBlockJournalRing::kSlots;
    CRingMemory memory(nSlots);
    CBlockJournalRing& ring = memory.Ring();
    // The number each writer was given for each entry, 0 when it was given up.
    std::vector<std::vector<std::uint64_t>> given(kWriters);
    std::atomic<int> running{kWriters};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            const auto& mine = kinds[static_cast<std::size_t>(w)];
            auto& numbers = given[static_cast<std::size_t>(w)];
            numbers.reserve(kPerWriter);
            for (int i = 0; i < kPerWriter; ++i) {
                numbers.push_back(ring.Append(mine[static_cast<std::size_t>(i % kKinds)]));
            }
            running.fetch_sub(1);
        });
    }

    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;  // number, time
    std::uint64_t ullLast = 0;
    std::vector<BlockJournalEntry> buffer(64);
    auto readMore = [&] {
        const std::size_t n = ring.ReadAfter(ullLast, buffer.data(), buffer.size());
        for (std::size_t k = 0; k < n; ++k) {
            const BlockJournalEntry& entry = buffer[k];
            ASSERT_GT(entry.ullSequence, ullLast);
            ullLast = entry.ullSequence;
            const int iWriter = static_cast<int>(entry.ullTime / 1000000);
            const int i = static_cast<int>(entry.ullTime % 1000000);
            ASSERT_TRUE(iWriter < kWriters && i % 61 == 0 && i / 61 < kKinds) << entry.ullTime;
            ASSERT_TRUE(SameFields(
                entry, kinds[static_cast<std::size_t>(iWriter)][static_cast<std::size_t>(i / 61)]))
                << entry.ullSequence;
            seen.emplace_back(entry.ullSequence, entry.ullTime);
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
    std::map<std::uint64_t, std::uint64_t> timeOf;
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kPerWriter; ++i) {
            const std::uint64_t ullNumber =
                given[static_cast<std::size_t>(w)][static_cast<std::size_t>(i)];
            if (ullNumber == 0) {
                ++nGivenUp;
            } else {
                timeOf[ullNumber] =
                    kinds[static_cast<std::size_t>(w)][static_cast<std::size_t>(i % kKinds)]
                        .ullTime;
            }
        }
    }
    for (const auto& [ullNumber, ullTime] : seen) {
        ASSERT_EQ(timeOf.count(ullNumber), 1u) << ullNumber;
        EXPECT_EQ(timeOf[ullNumber], ullTime) << ullNumber;
    }
    // With every writer done, only entries given up are missing from the ring.
    const auto last = ReadAfter(ring, 0, nSlots);
    EXPECT_GE(last.size() + nGivenUp, nSlots);
    for (const BlockJournalEntry& entry : last) {
        ASSERT_EQ(timeOf.count(entry.ullSequence), 1u) << entry.ullSequence;
        EXPECT_EQ(timeOf[entry.ullSequence], entry.ullTime) << entry.ullSequence;
    }
}
