#include "Api/portable/MD5.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Api/portable/FileDigest.h"

namespace {

std::string Md5Text(const std::string& data) {
    CMD5 md5;
    md5.AddData(reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    unsigned char digest[CMD5::kDigestLength];
    md5.FinalDigest(digest);
    return DigestToText(digest);
}

std::string ThrownText(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(MD5, Rfc1321TestSuite) {
    const std::pair<std::string, std::string> suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [input, digest] : suite) {
        EXPECT_EQ(Md5Text(input), digest) << '"' << input << '"';
    }
    EXPECT_EQ(Md5Text(std::string(1000000, 'a')), "7707D6AE4E027C70EEA2A935C2296F21");
}

// Padding and block boundaries are where MD5 code goes wrong: feed every length around them,
// split at every offset, and compare with the same bytes added at once.
TEST(MD5, SplitInputGivesTheSameDigest) {
    std::mt19937 rng(7);
    for (const size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 200u}) {
        std::string data(length, '\0');
        for (auto& ch : data) {
            ch = static_cast<char>(rng());
        }
        const std::string whole = Md5Text(data);
        for (size_t split = 0; split <= length; ++split) {
            CMD5 md5;
            const auto* p = reinterpret_cast<const unsigned char*>(data.data());
            md5.AddData(p, static_cast<int>(split));
            md5.AddData(p + split, static_cast<int>(length - split));
            unsigned char digest[CMD5::kDigestLength];
            md5.FinalDigest(digest);
            ASSERT_EQ(DigestToText(digest), whole) << length << " split at " << split;
        }
    }
}

TEST(MD5, FinalDigestResetsForTheNextMessage) {
    CMD5 md5;
    const unsigned char abc[] = {'a', 'b', 'c'};
    unsigned char digest[CMD5::kDigestLength];
    md5.AddData(abc, 3);
    md5.FinalDigest(digest);
    md5.AddData(abc, 3);
    md5.FinalDigest(digest);
    EXPECT_EQ(DigestToText(digest), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(MD5, MisuseThrowsWithItsText) {
    CMD5 md5;
    unsigned char digest[CMD5::kDigestLength];
    EXPECT_EQ(ThrownText([&] { md5.FinalDigest(digest); }),
              "FileDigest ERROR: in CMD5::FinalDigest(), No data Added before call!");
    EXPECT_EQ(ThrownText([&] { md5.AddData(digest, -1); }),
              "FileDigest ERROR: in CMD5::AddData(), Data Length should be >= 0!");
    md5.AddData(digest, 1);
    md5.Reset();
    EXPECT_EQ(ThrownText([&] { md5.FinalDigest(digest); }),
              "FileDigest ERROR: in CMD5::FinalDigest(), No data Added before call!");
    EXPECT_EQ(ThrownText([&] { md5.DigestFile("no/such/dir/file.ini", digest); }),
              "FileDigest ERROR: in IMessageDigest::DigestFile(): Cannot open File "
              "no/such/dir/file.ini!");
}
