#include "Api/portable/FileDigest.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Api/portable/MD5.h"
#include "tests/support/TempPath.h"

namespace {

std::string OneShotDigest(const std::string& data) {
    CMD5 md5;
    md5.AddData(reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    unsigned char digest[CMD5::kDigestLength];
    md5.FinalDigest(digest);
    return DigestToText(digest);
}

}  // namespace

TEST(FileDigest, SpecialResultsForMissingAndEmptyFiles) {
    const CTempPath file("digest");
    EXPECT_EQ(GetFileDigestText(file.String()), "");
    file.WriteFile("");
    EXPECT_EQ(GetFileDigestText(file.String()), std::string(32, '0'));
    file.WriteFile("abc");
    EXPECT_EQ(GetFileDigestText(file.String()), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(FileDigest, ChunkedFileDigestEqualsOneShot) {
    const CTempPath file("digest");
    std::mt19937 rng(1321);
    std::vector<size_t> lengths = {1, 383, 384, 385, 511, 512, 513, 1023, 1024, 1025, 100000};
    for (int i = 0; i < 2000; ++i) {
        lengths.push_back(1 + rng() % 6000);
    }
    for (const size_t length : lengths) {
        std::string data(length, '\0');
        for (auto& ch : data) {
            ch = static_cast<char>(rng());
        }
        file.WriteFile(data);
        ASSERT_EQ(GetFileDigestText(file.String()), OneShotDigest(data)) << length << " bytes";
    }
}

TEST(FileDigest, TextIsUppercaseHexHighNibbleFirst) {
    const unsigned char digest[16] = {0x00, 0x01, 0x7F, 0x80, 0xAB, 0xCD, 0xEF, 0xFF,
                                      0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x09};
    EXPECT_EQ(DigestToText(digest), "00017F80ABCDEFFF1020304050607009");
}
