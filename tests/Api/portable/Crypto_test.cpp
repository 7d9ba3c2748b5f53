#include "Api/portable/Crypto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

std::string EncodeText(std::string_view clear, std::int64_t key) {
    CCrypto crypto;
    EXPECT_TRUE(crypto.Encode(clear, key));
    return std::string(crypto.Output());
}

std::string DecodeText(std::string_view encoded) {
    CCrypto crypto;
    EXPECT_TRUE(crypto.Decode(encoded));
    return std::string(crypto.Output());
}

}  // namespace

TEST(Crypto, EncodedFormIsKeyDigitsThenThreeDigitsPerByte) {
    const std::string encoded = EncodeText("abc", 1765000000);
    EXPECT_EQ(encoded.size(), 19u);
    EXPECT_EQ(encoded.substr(0, 10), "1765000000");
    EXPECT_TRUE(
        std::all_of(encoded.begin(), encoded.end(), [](char c) { return c >= '0' && c <= '9'; }));
    for (size_t n = 0; n <= CCrypto::kMaxClearLength; n += 37) {
        EXPECT_EQ(EncodeText(std::string(n, 'x'), 1).size(), 10 + 3 * n);
    }
}

TEST(Crypto, KeyIsTenDigitsZeroPaddedOrCut) {
    EXPECT_EQ(EncodeText("", 42), "0000000042");
    EXPECT_EQ(EncodeText("", 123456789012), "1234567890");
    EXPECT_EQ(DecodeText("0000000042"), "");
    EXPECT_EQ(DecodeText(""), "");
}

// Pinned so that a change to the cipher, which would make every stored settings file
// unreadable, cannot pass unnoticed.
TEST(Crypto, KnownEncodingIsStable) {
    EXPECT_EQ(EncodeText("Default", 1700000000), "1700000000179094045213237042070");
    EXPECT_EQ(DecodeText("1700000000179094045213237042070"), "Default");
    EXPECT_EQ(EncodeText("abc", 1765000000), "1765000000132230137");
}

TEST(Crypto, EveryByteValueRoundTrips) {
    std::string all;
    for (int c = 0; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(DecodeText(EncodeText(all, 1765432109)), all);
    for (int c = 0; c < 256; ++c) {
        const std::string one(3, static_cast<char>(c));
        ASSERT_EQ(DecodeText(EncodeText(one, 1000000000 + c)), one) << c;
    }
}

TEST(Crypto, RandomTextsRoundTrip) {
    std::mt19937 rng(35);
    for (int i = 0; i < 2000; ++i) {
        std::string text(rng() % (CCrypto::kMaxClearLength + 1), '\0');
        for (auto& ch : text) {
            ch = static_cast<char>(rng());
        }
        const auto key = static_cast<std::int64_t>(rng());
        ASSERT_EQ(DecodeText(EncodeText(text, key)), text) << "length " << text.size();
    }
}

TEST(Crypto, DifferentSecondsGiveDifferentForms) {
    const std::string a = EncodeText("password", 1765000000);
    const std::string b = EncodeText("password", 1765000001);
    EXPECT_NE(a.substr(0, 10), b.substr(0, 10));
    EXPECT_NE(a.substr(10), b.substr(10));
}

TEST(Crypto, OverlongInputIsRefusedNotOverflowed) {
    CCrypto crypto;
    EXPECT_TRUE(crypto.Encode(std::string(337, 'a'), 1));
    EXPECT_EQ(crypto.Output().size(), 1021u);
    EXPECT_FALSE(crypto.Encode(std::string(338, 'a'), 1));
    EXPECT_TRUE(crypto.Output().empty());
    EXPECT_TRUE(crypto.Decode(std::string(1023, '1')));
    EXPECT_EQ(crypto.Output().size(), 338u);
    EXPECT_FALSE(crypto.Decode(std::string(1024, '1')));
    EXPECT_TRUE(crypto.Output().empty());
}

TEST(Crypto, HandEditedValuesDecodeToSomethingWithoutHarm) {
    CCrypto crypto;
    for (const char* junk : {"12345678901", "1234567890x", "abcdefghijklmnop", "99999999999999"}) {
        EXPECT_TRUE(crypto.Decode(junk)) << junk;
    }
}
