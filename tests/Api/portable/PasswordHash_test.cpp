#include "Api/portable/PasswordHash.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSalt = "000102030405060708090a0b0c0d0e0f";
const std::string kKey = "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc";

}  // namespace

TEST(PasswordHash, FormatAndParseAreInverse) {
    PasswordHash hash;
    hash.uIterations = 80000;
    for (std::uint8_t i = 0; i < 16; ++i) {
        hash.salt.push_back(i);
    }
    for (std::size_t i = 0; i < hash.key.size(); ++i) {
        hash.key[i] = static_cast<std::uint8_t>(0xF0 + i);
    }
    const std::string strText = FormatPasswordHash(hash);
    EXPECT_EQ(strText.substr(0, 34), "PBKDF2-SHA256$80000$" + kSalt.substr(0, 14));
    const auto parsed = ParsePasswordHash(strText);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->uIterations, 80000u);
    EXPECT_EQ(parsed->salt, hash.salt);
    EXPECT_EQ(parsed->key, hash.key);
}

// Anything else is a password stored before hashing, not a hash.
TEST(PasswordHash, OnlyTheExactFormParses) {
    const std::string good = "PBKDF2-SHA256$1$" + kSalt + "$" + kKey;
    ASSERT_TRUE(ParsePasswordHash(good));
    EXPECT_TRUE(ParsePasswordHash("PBKDF2-SHA256$10000000$" + kSalt + "$" + kKey));
    EXPECT_TRUE(ParsePasswordHash("PBKDF2-SHA256$7$" + kSalt + "$" + "55AC046E56E3089FEC1691C2" +
                                  kKey.substr(24)));
    const std::string bad[] = {
        "",
        "secret",
        "PBKDF2-SHA256",
        "pbkdf2-sha256$1$" + kSalt + "$" + kKey,
        "PBKDF2-SHA256$0$" + kSalt + "$" + kKey,
        "PBKDF2-SHA256$01$" + kSalt + "$" + kKey,
        "PBKDF2-SHA256$10000001$" + kSalt + "$" + kKey,
        "PBKDF2-SHA256$-1$" + kSalt + "$" + kKey,
        "PBKDF2-SHA256$$" + kSalt + "$" + kKey,
        "PBKDF2-SHA256$1$" + kSalt + "$" + kKey + "$",
        "PBKDF2-SHA256$1$" + kSalt + "$" + kKey + "00",
        "PBKDF2-SHA256$1$" + kSalt + "$" + kKey.substr(1),
        "PBKDF2-SHA256$1$0001020304050607g8$" + kKey,
        "PBKDF2-SHA256$1$00010203040506$" + kKey,                 // salt of 7 bytes
        "PBKDF2-SHA256$1$" + std::string(130, '0') + "$" + kKey,  // salt of 65 bytes
        "PBKDF2-SHA256$1$" + kSalt + kKey,
    };
    for (const std::string& text : bad) {
        EXPECT_FALSE(ParsePasswordHash(text)) << text;
    }
}

TEST(PasswordHash, ConstantTimeComparisonIsEquality) {
    EXPECT_TRUE(SameInConstantTime("", ""));
    EXPECT_TRUE(SameInConstantTime("apple7", "apple7"));
    EXPECT_FALSE(SameInConstantTime("apple7", "Apple7"));
    EXPECT_FALSE(SameInConstantTime("apple7", "apple"));
    EXPECT_FALSE(SameInConstantTime("apple", "apple7"));
    EXPECT_FALSE(SameInConstantTime("", "a"));
    EXPECT_FALSE(SameInConstantTime(std::string("a\0b", 3), "a"));
}
