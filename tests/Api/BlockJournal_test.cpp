// The journal of blocks written from several processes through the real PolicyApi.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "win/UniqueHandle.h"

namespace {

std::vector<BlockJournalEntry> ReadJournal(unsigned long long ullAfter) {
    std::vector<BlockJournalEntry> entries(256);
    int nCount = -1;
    EXPECT_EQ(ReadBlockJournal(ullAfter, entries.data(), 256, &nCount), 1);
    entries.resize(static_cast<std::size_t>(std::max(nCount, 0)));
    return entries;
}

}  // namespace

TEST(BlockJournal, BlocksFromTwoProcessesAtOnceAreAllRecorded) {
    constexpr int kBlocks = 100;
    CFreshInstallation install("secret", false);
    // Read here first: this process then holds the journal, which would otherwise end with
    // the last writer.
    const auto before = ReadJournal(0);
    const unsigned long long ullStart = before.empty() ? 0 : before.back().ullSequence;

    const CHandle go(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_journal_go"));
    const CHandle ready1(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_journal_ready1"));
    const CHandle ready2(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_journal_ready2"));
    const std::string strBlocks = "blocks:" + std::to_string(kBlocks);
    const std::string strNamed = install.Folder() + "named.txt";
    const std::string strPlain = install.Folder() + "plain.txt";
    CChildProcess named(CChildProcess::Beside("api_child.exe"),
                        "\"" + strNamed +
                            "\" signal:pc_test_journal_ready1 wait:pc_test_journal_go " +
                            strBlocks + ":browser.exe");
    CChildProcess plain(CChildProcess::Beside("api_child.exe"),
                        "\"" + strPlain +
                            "\" signal:pc_test_journal_ready2 wait:pc_test_journal_go " +
                            strBlocks + " journal");
    const HANDLE ready[] = {ready1.Get(), ready2.Get()};
    ASSERT_EQ(::WaitForMultipleObjects(2, ready, TRUE, 60000), WAIT_OBJECT_0);
    ::SetEvent(go.Get());
    EXPECT_EQ(named.Wait(), 0u);
    EXPECT_EQ(plain.Wait(), 0u);
    EXPECT_EQ(ReadLines(strNamed), std::vector<std::string>{"failed 0"});
    const auto plainLines = ReadLines(strPlain);
    ASSERT_EQ(plainLines.size(), 2u);
    EXPECT_EQ(plainLines[0], "failed 0");
    // The reader in a writer's process sees at least its own blocks.
    EXPECT_GE(std::stoi(plainLines[1].substr(plainLines[1].find(' ') + 1)), kBlocks);

    const auto entries = ReadJournal(ullStart);
    ASSERT_EQ(entries.size(), 2u * kBlocks);
    std::map<std::string, std::set<std::string>> hostsOf;  // process name, hosts
    unsigned long long ullPrevious = ullStart;
    for (const BlockJournalEntry& entry : entries) {
        EXPECT_GT(entry.ullSequence, ullPrevious);
        ullPrevious = entry.ullSequence;
        const std::string strHost = entry.szHost;
        EXPECT_EQ(std::string(entry.szUrl), "http://" + strHost + "/page");
        EXPECT_EQ(std::string(entry.szProfile), "kid");
        EXPECT_NE(entry.ullTime, 0u);
        hostsOf[entry.szProcess].insert(strHost);
    }
    ASSERT_EQ(hostsOf.size(), 2u);
    // The name the writer gave, and the library's own for the writer that gave none.
    EXPECT_EQ(hostsOf["browser.exe"].size(), static_cast<std::size_t>(kBlocks));
    EXPECT_EQ(hostsOf["api_child.exe"].size(), static_cast<std::size_t>(kBlocks));
}

TEST(BlockJournal, ReaderRejectsBadArguments) {
    BlockJournalEntry entry{};
    int nCount = 7;
    EXPECT_EQ(ReadBlockJournal(0, nullptr, 1, &nCount), 0);
    EXPECT_EQ(nCount, 0);
    EXPECT_EQ(ReadBlockJournal(0, &entry, -1, &nCount), 0);
    EXPECT_EQ(ReadBlockJournal(0, &entry, 1, nullptr), 0);
    EXPECT_EQ(AppendBlockJournal(nullptr), 0);
    EXPECT_EQ(ReadBlockJournal(0, nullptr, 0, &nCount), 1);
    EXPECT_EQ(nCount, 0);
}
