// DEFLATE, gzip and tar against what Python's zlib, gzip and tarfile (and gzip(1) and tar(1))
// make at test time, then damaged and cut copies of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempPath.h"
#include "tests/tools/category-server/portable/RecordingSink.h"
#include "tools/category-server/portable/CategoryTree.h"
#include "tools/category-server/portable/Gzip.h"
#include "tools/category-server/portable/Inflate.h"
#include "tools/category-server/portable/ListFile.h"
#include "tools/category-server/portable/TarReader.h"

namespace {

namespace fs = std::filesystem;

class ArchiveTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_pFolder = new CTempPath("archives");
        const std::string command =
            std::string("python3 ") + PC_ARCHIVE_SCRIPT + " " + s_pFolder->String();
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() {
        delete s_pFolder;
        s_pFolder = nullptr;
    }

    static std::string Sample(const std::string& name) {
        std::string bytes;
        std::string error;
        EXPECT_TRUE(ReadListFile(s_pFolder->Path() / name, bytes, error)) << name;
        return bytes;
    }
    static std::vector<std::string> SamplesEndingWith(const std::string& suffix) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(s_pFolder->Path())) {
            const std::string name = entry.path().filename().string();
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                names.push_back(name.substr(0, name.size() - suffix.size()));
            }
        }
        return names;
    }

    static CTempPath* s_pFolder;
};

CTempPath* ArchiveTest::s_pFolder = nullptr;

TEST_F(ArchiveTest, EveryGzipSampleGivesItsBytes) {
    const auto names = SamplesEndingWith(".gz");
    ASSERT_GE(names.size(), 36U);
    for (const std::string& name : names) {
        if (name.find(".tar") != std::string::npos) {
            continue;
        }
        std::string out;
        std::string error;
        EXPECT_TRUE(Gunzip(Sample(name + ".gz"), out, error, 1 << 24)) << name << ": " << error;
        EXPECT_EQ(out, Sample(name + ".plain")) << name;
    }
}

TEST_F(ArchiveTest, DamageIsReportedNeverPassedOn) {
    const std::string good = Sample("mixed-6.gz");
    std::string out;
    std::string error;
    // Cut anywhere: never a success, and never more bytes than the whole file holds.
    for (std::size_t n = 0; n < good.size(); n += 1 + n / 50) {
        out.clear();
        EXPECT_FALSE(Gunzip(good.substr(0, n), out, error, 1 << 24)) << n;
        EXPECT_FALSE(error.empty());
        EXPECT_LE(out.size(), 100000U);
    }
    // A changed byte in the data or the trailer is caught (by the code or the check).
    for (const std::size_t nAt : {std::size_t{30}, good.size() / 2, good.size() - 6}) {
        std::string bad = good;
        bad[nAt] = static_cast<char>(bad[nAt] ^ 0x10);
        out.clear();
        EXPECT_FALSE(Gunzip(bad, out, error, 1 << 24)) << nAt;
    }
    struct CBad {
        std::string bytes;
        const char* szError;
    };
    const CBad bads[] = {
        {"", "cut gzip header"},
        {"PK\3\4 not a gzip file", "not a gzip file"},
        {std::string("\x1f\x8b\x09\0\0\0\0\0\0\xff", 10) + "x", "not a gzip file"},
        {std::string("\x1f\x8b\x08\xe0\0\0\0\0\0\xff", 10) + "x", "reserved gzip flags set"},
        {std::string("\x1f\x8b\x08\x08\0\0\0\0\0\xffname", 14), "cut gzip header"},
        {std::string("\x1f\x8b\x08\0\0\0\0\0\0\xff\x07", 11), "damaged gzip data"},  // type 3
    };
    for (const CBad& bad : bads) {
        EXPECT_FALSE(Gunzip(bad.bytes, out, error, 1 << 24));
        EXPECT_EQ(error, bad.szError);
    }
}

TEST_F(ArchiveTest, OutputIsBounded) {
    std::string out;
    std::string error;
    EXPECT_FALSE(Gunzip(Sample("runs-9.gz"), out, error, 1000));
    EXPECT_EQ(error, "gzip data too large");
    EXPECT_LE(out.size(), 1000U);
    out.clear();
    EXPECT_TRUE(Gunzip(Sample("runs-9.gz"), out, error, 180000));
}

TEST(InflateTest, HandMadeStreams) {
    struct CCase {
        std::string in;
        InflateStatus status;
        const char* szOut;
    };
    const CCase cases[] = {
        // A final stored block of "hi", then a byte after the stream.
        {std::string("\x01\x02\x00\xfd\xff"
                     "hiZ",
                     8),
         InflateStatus::kOk, "hi"},
        {std::string("\x01\x02\x00\xfc\xff"
                     "hi",
                     7),
         InflateStatus::kBadData, ""},
        {std::string("\x01\x05\x00\xfa\xff"
                     "hi",
                     7),
         InflateStatus::kTruncated, ""},
        // Fixed codes, as zlib writes "aaaa".
        {std::string("\x4b\x4c\x4c\x4c\x04\x00", 6), InflateStatus::kOk, "aaaa"},
        // A match reaching before the stream's start.
        {std::string("\x03\x02\x00", 3), InflateStatus::kBadData, ""},
        {std::string(), InflateStatus::kTruncated, ""},
    };
    for (const CCase& c : cases) {
        std::string out = "before";
        const CInflateResult result = Inflate(c.in, out, 1000);
        EXPECT_EQ(result.status, c.status) << testing::PrintToString(c.in);
        if (result.status == InflateStatus::kOk) {
            EXPECT_EQ(out, std::string("before") + c.szOut);
        }
    }
    std::string out;
    EXPECT_EQ(Inflate(std::string("\x01\x02\x00\xfd\xff"
                                  "hiZ",
                                  8),
                      out, 100)
                  .nConsumed,
              7U);
}

std::string MembersOf(std::string_view archive, std::string* pError = nullptr) {
    CTarReader reader(archive);
    CTarMember member;
    std::ostringstream lines;
    while (reader.Next(member)) {
        // tarfile names folders without their closing '/'.
        std::string_view name = member.name;
        if (member.type == '5' && name.size() > 1 && name.back() == '/') {
            name.remove_suffix(1);
        }
        lines << (member.type == '\0' ? '0' : member.type) << ' ' << name << ' '
              << member.data.size() << '\n';
    }
    if (pError != nullptr) {
        *pError = reader.Error();
    }
    return lines.str();
}

TEST_F(ArchiveTest, TarMembersAsTarfileSeesThem) {
    for (const char* szFormat : {"ustar", "gnu", "pax"}) {
        std::string error;
        EXPECT_EQ(MembersOf(Sample(std::string(szFormat) + ".tar"), &error),
                  Sample(std::string(szFormat) + ".members"))
            << szFormat;
        EXPECT_EQ(error, "") << szFormat;
    }
    const std::string archive = Sample("gnu.tar");
    CTarReader reader(archive);
    CTarMember member;
    while (reader.Next(member) && member.name != "blacklists/adult/domains") {
    }
    EXPECT_EQ(member.data, "adult.example\nWWW.Adult.Example.\n");
}

TEST_F(ArchiveTest, DamagedTarStopsWithAnError) {
    const std::string good = Sample("gnu.tar");
    std::string error;
    std::string bad = good;
    bad[512 * 2 + 10] = 'X';  // a name byte of the second member's header
    MembersOf(bad, &error);
    EXPECT_EQ(error, "damaged tar header");
    // Cut inside a member's data, inside a header, and at a block boundary.
    MembersOf(good.substr(0, 512 * 5 + 3), &error);
    EXPECT_EQ(error, "cut tar member");
    MembersOf(good.substr(0, 512 * 6 + 100), &error);
    EXPECT_EQ(error, "cut tar header");
    MembersOf(good.substr(0, 512 * 2), &error);
    EXPECT_EQ(error, "");
    // A size in GNU's base-256 form.
    std::string header(512, '\0');
    header.replace(0, 6, "a/urls");
    header[124] = '\x80';
    header[135] = 3;
    header.replace(148, 8, "        ");
    unsigned nSum = 0;
    for (const char c : header) {
        nSum += static_cast<unsigned char>(c);
    }
    char sum[8];
    std::snprintf(sum, sizeof sum, "%06o", nSum);
    header.replace(148, 7, std::string(sum, 6) + '\0');
    EXPECT_EQ(MembersOf(header + "abc" + std::string(509 + 1024, '\0'), &error), "0 a/urls 3\n");
}

TEST_F(ArchiveTest, TarballTreesGiveTheirLists) {
    const std::vector<std::string> expected = {
        "adult.example adult",
        "www.adult.example adult",
        "free.example/adult adult",
        "casino.example gambling",
        "skip",
        "long.example a-category-name-long-enough-" + std::string(60, 'x')};
    for (const char* szName : {"ustar", "gnu", "pax"}) {
        CRecordingSink sink;
        std::string error;
        EXPECT_TRUE(ReadTreeTarball(Sample(std::string(szName) + ".tar.gz"), sink, error)) << error;
        EXPECT_EQ(sink.lines, expected) << szName;
    }
    if (fs::exists(s_pFolder->Path() / "tar-tool.tar.gz")) {
        CRecordingSink sink;
        std::string error;
        EXPECT_TRUE(ReadTreeTarball(Sample("tar-tool.tar.gz"), sink, error)) << error;
        std::sort(sink.lines.begin(), sink.lines.end());
        std::vector<std::string> sorted = expected;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sink.lines, sorted);
    }
    // A cut download: an error, and the lists before the cut.
    const std::string whole = Sample("gnu.tar.gz");
    CRecordingSink sink;
    std::string error;
    EXPECT_FALSE(ReadTreeTarball(whole.substr(0, whole.size() - 30), sink, error));
    EXPECT_EQ(error, "cut gzip data");
    EXPECT_FALSE(ReadTreeTarball("not gzip", sink, error));
}

TEST(CategoryTreeTest, FilesTakeTheirFoldersCategory) {
    struct CCase {
        const char* szPath;
        const char* szCategory;  // nullptr: not a list
        bool bUrls;
    };
    const CCase cases[] = {
        {"adult/domains", "adult", false},     {"blacklists/adult/urls", "adult", true},
        {"./adult/domains", "adult", false},   {"a/b/c/gambling/domains/", "gambling", false},
        {"domains", nullptr, false},           {"/domains", nullptr, false},
        {"./domains", nullptr, false},         {"adult/usage", nullptr, false},
        {"adult/domains.txt", nullptr, false}, {"adult/expressions", nullptr, false},
    };
    for (const CCase& c : cases) {
        CTreeFile file;
        const bool bList = ClassifyTreeFile(c.szPath, file);
        EXPECT_EQ(bList, c.szCategory != nullptr) << c.szPath;
        if (bList && c.szCategory != nullptr) {
            EXPECT_EQ(file.category, c.szCategory) << c.szPath;
            EXPECT_EQ(file.bUrls, c.bUrls) << c.szPath;
        }
    }
}

}  // namespace
