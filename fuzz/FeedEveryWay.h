// The fuzzers of the send path's stream readers feed a stream whole, cut where the input says,
// and (when it asks) one byte at a time: every way must give what the whole stream gives.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
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
