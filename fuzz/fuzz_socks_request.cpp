// A client's first bytes read as a SOCKS request, fed whole and cut at places the input
// chooses (and, when it asks, one byte at a time), each piece to a copy as the connection table
// keeps it: every way must give the same target and the same end of the request, which lies
// within the stream.
//
// The input starts with the header FeedEveryWay.h describes, then the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "filter/core/portable/SocksRequest.h"
#include "fuzz/FeedEveryWay.h"

namespace {

struct Outcome {
    SocksStatus status = SocksStatus::kNeedMore;
    int iVersion = 0;
    std::string host;
    std::uint16_t uPort = 0;
    std::size_t nRequest = 0;
    bool operator==(const Outcome&) const = default;
};

Outcome FeedPieces(std::string_view stream, const std::vector<std::size_t>& cuts) {
    CSocksRequest stored;
    Outcome outcome;
    std::size_t pos = 0;
    for (std::size_t i = 0; i <= cuts.size() && stored.Status() == SocksStatus::kNeedMore; ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : stream.size();
        CSocksRequest request = stored;
        std::size_t nUsed = 0;
        request.Feed(stream.substr(pos, end - pos), &nUsed);
        if (nUsed > end - pos) {
            std::abort();
        }
        outcome.nRequest += nUsed;
        stored = request;
        pos = end;
    }
    outcome.status = stored.Status();
    if (outcome.status == SocksStatus::kTarget) {
        outcome.iVersion = stored.Version();
        outcome.host = stored.Host();
        outcome.uPort = stored.Port();
    } else {
        outcome.nRequest = 0;  // what a stream given up on used says nothing
    }
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (const auto input = ReadCutInput(pData, nSize)) {
        const Outcome outcome =
            FeedEveryWay(input->stream, input->cuts, input->bByBytes, FeedPieces);
        if (outcome.status == SocksStatus::kTarget &&
            (outcome.host.empty() || outcome.nRequest > input->stream.size() ||
             outcome.nRequest > CSocksRequest::kMaxRequest)) {
            std::abort();
        }
    }
    return 0;
}
