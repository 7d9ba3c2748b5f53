// The fuzzers of the send path's stream readers feed a stream whole, cut where the input says,
// and (when it asks) one byte at a time: every way must give what the whole stream gives.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

// feedPieces(stream, cuts) returns the reader's outcome for the stream cut at the sorted
// positions; aborts when a way disagrees, else returns the outcome of the whole stream.
template <class FeedPieces>
auto FeedEveryWay(std::string_view stream, std::vector<std::size_t> cuts, bool bByBytes,
                  FeedPieces&& feedPieces) {
    std::sort(cuts.begin(), cuts.end());
    const auto whole = feedPieces(stream, std::vector<std::size_t>{});
    if (feedPieces(stream, cuts) != whole) {
        std::abort();
    }
    if (bByBytes) {
        std::vector<std::size_t> everyByte;
        for (std::size_t i = 1; i < stream.size(); ++i) {
            everyByte.push_back(i);
        }
        if (feedPieces(stream, everyByte) != whole) {
            std::abort();
        }
    }
    return whole;
}

// An input as those fuzzers read it: a first byte (the number of cuts in its low three bits,
// one byte at a time when bit 3 is set), two bytes a cut (little-endian, taken modulo the
// stream's length + 1), then the stream.
struct CutInput {
    std::string_view stream;
    std::vector<std::size_t> cuts;
    bool bByBytes = false;
};

inline std::optional<CutInput> ReadCutInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize < 1) {
        return std::nullopt;
    }
    const std::size_t nCuts = pData[0] & 7U;
    const std::size_t nHeader = 1 + 2 * nCuts;
    if (nSize < nHeader) {
        return std::nullopt;
    }
    CutInput input;
    input.bByBytes = (pData[0] & 8U) != 0;
    input.stream =
        std::string_view(reinterpret_cast<const char*>(pData + nHeader), nSize - nHeader);
    for (std::size_t i = 0; i < nCuts; ++i) {
        const std::size_t nCut = pData[1 + 2 * i] | (std::size_t{pData[2 + 2 * i]} << 8);
        input.cuts.push_back(nCut % (input.stream.size() + 1));
    }
    return input;
}
