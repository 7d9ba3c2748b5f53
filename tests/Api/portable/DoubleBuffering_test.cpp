#include "Api/portable/DoubleBuffering.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& ch : s) {
        ch = static_cast<char>(rng());
    }
    return s;
}

// Reads the whole stream with the given sequence of request lengths, repeated.
std::string ReadAll(const std::string& data, const std::vector<int>& lengths, int iSize = 1024) {
    std::istringstream stream(data, std::ios::in | std::ios::binary);
    std::vector<char> ring(static_cast<size_t>(iSize));
    CDoubleBuffering reader(stream, ring.data(), iSize, iSize / 2 < 384 ? iSize / 2 : 384);
    std::string out;
    char chunk[512];
    for (size_t i = 0;; ++i) {
        const int iWant = lengths[i % lengths.size()];
        const int iGot = reader.GetData(chunk, iWant);
        out.append(chunk, static_cast<size_t>(iGot));
        if (iGot < iWant) {
            EXPECT_EQ(reader.GetData(chunk, iWant), 0) << "end must be sticky";
            return out;
        }
    }
}

std::string ConstructionError(std::istream& stream, int iSize, int iChunk, char* pBuffer) {
    try {
        CDoubleBuffering reader(stream, pBuffer, iSize, iChunk);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(DoubleBuffering, DeliversEveryByteInOrderAcrossTheSeams) {
    const std::vector<std::vector<int>> patterns = {
        {384}, {1}, {512}, {511, 1}, {3, 500, 7, 512}, {100, 384, 13},
    };
    for (const size_t size :
         {0u, 1u, 383u, 384u, 385u, 511u, 512u, 513u, 1023u, 1024u, 1025u, 4096u, 5000u}) {
        const std::string data = RandomBytes(size, static_cast<unsigned>(size));
        for (const auto& pattern : patterns) {
            ASSERT_EQ(ReadAll(data, pattern), data)
                << size << " bytes, first length " << pattern[0];
        }
    }
}

TEST(DoubleBuffering, SmallRingsWork) {
    const std::string data = RandomBytes(1000, 3);
    EXPECT_EQ(ReadAll(data, {1}, 2), data);
    EXPECT_EQ(ReadAll(data, {5, 3}, 10), data);
}

TEST(DoubleBuffering, DefaultLengthIsTheChunkLength) {
    const std::string data = RandomBytes(1000, 4);
    std::istringstream stream(data);
    char ring[1024];
    char chunk[512];
    CDoubleBuffering reader(stream, ring);
    EXPECT_EQ(reader.GetData(chunk), 384);
    EXPECT_EQ(reader.GetData(chunk), 384);
    EXPECT_EQ(reader.GetData(chunk), 232);
    EXPECT_EQ(reader.GetData(chunk), 0);
}

TEST(DoubleBuffering, RefusesIllegalConstructionAndLengths) {
    char ring[1024];
    std::istringstream good("data");
    EXPECT_EQ(ConstructionError(good, 1023, 100, ring),
              "CDoubleBuffering: m_iSize should be Even Number!");
    EXPECT_EQ(ConstructionError(good, 1024, 0, ring),
              "CDoubleBuffering: Illegal Construction Data!");
    EXPECT_EQ(ConstructionError(good, 1024, 513, ring),
              "CDoubleBuffering: Illegal Construction Data!");
    EXPECT_EQ(ConstructionError(good, 1024, 384, nullptr),
              "CDoubleBuffering: Illegal Construction Data!");
    std::istringstream bad("data");
    bad.setstate(std::ios::failbit);
    EXPECT_EQ(ConstructionError(bad, 1024, 384, ring),
              "CDoubleBuffering: Referenced File not Opened or in Bad State!");

    std::istringstream stream("data");
    CDoubleBuffering reader(stream, ring);
    char chunk[600];
    for (int iLength : {0, -2, 513}) {
        try {
            reader.GetData(chunk, iLength);
            ADD_FAILURE() << iLength << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "CDoubleBuffering::GetData(): Illegal iDataLen!");
        }
    }
}
