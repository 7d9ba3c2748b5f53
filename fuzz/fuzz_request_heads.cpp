// A connection's outgoing bytes, fed whole and cut at places the input chooses (and, when it
// asks, one byte at a time): every way must give the same heads and the same verdict, and
// each head must be a piece of the stream, in order, within the size limit, and end with its
// blank line unless it was cut at that limit.
//
// The input starts with a small header:
//   byte 0      bits 0-2: number of cuts; bit 3: also feed one byte at a time
//   bytes 1-2   number of filler bytes to insert (so that heads over the limit are reached
//               from short inputs), at most 40000
//   bytes 3-4   where to insert them
//   byte 5      the filler byte
//   then 2 bytes per cut, then the stream itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "filter/core/portable/RequestHeads.h"
#include "fuzz/FeedEveryWay.h"

namespace {

struct Outcome {
    std::vector<std::string> heads;
    std::vector<bool> truncated;
    bool bHttp = true;
    bool operator==(const Outcome&) const = default;
};

Outcome FeedPieces(std::string_view stream, const std::vector<std::size_t>& cuts) {
    CRequestHeads heads;
    Outcome outcome;
    const auto onHead = [&](std::string_view head, bool bTruncated) {
        outcome.heads.emplace_back(head);
        outcome.truncated.push_back(bTruncated);
    };
    std::size_t pos = 0;
    for (const std::size_t cut : cuts) {
        heads.Feed(stream.substr(pos, cut - pos), onHead);
        pos = cut;
    }
    heads.Feed(stream.substr(pos), onHead);
    outcome.bHttp = heads.IsHttp();
    return outcome;
}

std::size_t Read16(const std::uint8_t* pData) {
    return static_cast<std::size_t>(pData[0] | (pData[1] << 8));
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

void Check(std::string_view stream, const Outcome& outcome) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < outcome.heads.size(); ++i) {
        const std::string& head = outcome.heads[i];
        if (head.empty() || head.size() > CRequestHeads::kMaxHead) {
            std::abort();
        }
        if (outcome.truncated[i] ? head.size() != CRequestHeads::kMaxHead
                                 : !EndsWith(head, "\n\n") && !EndsWith(head, "\n\r\n")) {
            std::abort();
        }
        pos = stream.find(head, pos);
        if (pos == std::string_view::npos) {
            std::abort();
        }
        pos += head.size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    constexpr std::size_t kHeader = 6;
    if (nSize < kHeader) {
        return 0;
    }
    const std::size_t nCuts = pData[0] & 7U;
    const bool bByBytes = (pData[0] & 8U) != 0;
    const std::size_t nFiller = Read16(pData + 1) % 40001;
    if (nSize < kHeader + 2 * nCuts) {
        return 0;
    }
    std::string stream(reinterpret_cast<const char*>(pData + kHeader + 2 * nCuts),
                       nSize - kHeader - 2 * nCuts);
    stream.insert(std::min(Read16(pData + 3), stream.size()), nFiller, static_cast<char>(pData[5]));

    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < nCuts; ++i) {
        cuts.push_back(Read16(pData + kHeader + 2 * i) % (stream.size() + 1));
    }
    Check(stream, FeedEveryWay(stream, cuts, bByBytes, FeedPieces));
    return 0;
}
