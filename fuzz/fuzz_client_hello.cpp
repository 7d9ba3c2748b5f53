// The first bytes of a connection, fed whole and cut at places the input chooses (and, when it
// asks, one byte at a time), each piece to a copy as the connection table does: every way
// must give the same verdict and name, and a name must be a piece of the records' payloads
// that a host name may be.
//
// The input starts with a small header:
//   byte 0      bits 0-2: number of cuts; bit 3: also feed one byte at a time
//   then 2 bytes per cut (little-endian), then the stream itself.
// The seeds are the hellos in tests/data/tls behind such a header (tests/data/tls/capture.sh
// writes them), some cut into several records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "filter/core/portable/ClientHello.h"
#include "fuzz/FeedEveryWay.h"

namespace {

struct Outcome {
    ClientHelloStatus status = ClientHelloStatus::kNeedMore;
    std::string name;
    bool operator==(const Outcome&) const = default;
};

Outcome FeedPieces(std::string_view stream, const std::vector<std::size_t>& cuts) {
    CClientHello stored;
    std::size_t pos = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : stream.size();
        CClientHello hello = stored;
        const ClientHelloStatus status = hello.Feed(stream.substr(pos, end - pos));
        if (status != hello.Status()) {
            std::abort();
        }
        stored = hello;
        pos = end;
    }
    return {stored.Status(), std::string(stored.ServerName())};
}

bool IsHostNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-._:[]").find(c) != std::string_view::npos;
}

// The records' payloads joined, as far as the stream holds whole headers: a name may straddle
// two records, so it is looked for in these rather than in the stream.
std::string Payloads(std::string_view stream) {
    std::string payloads;
    while (stream.size() >= 5) {
        const std::size_t nLength = static_cast<unsigned char>(stream[3]) * std::size_t{256} +
                                    static_cast<unsigned char>(stream[4]);
        payloads.append(stream.substr(5, nLength));
        stream.remove_prefix(std::min(stream.size(), 5 + nLength));
    }
    return payloads;
}

void Check(std::string_view stream, const Outcome& outcome) {
    if (outcome.status != ClientHelloStatus::kServerName) {
        if (!outcome.name.empty()) {
            std::abort();
        }
        return;
    }
    if (outcome.name.empty() || outcome.name.size() > CClientHello::kMaxServerName ||
        Payloads(stream).find(outcome.name) == std::string::npos ||
        !std::all_of(outcome.name.begin(), outcome.name.end(), IsHostNameChar)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (const auto input = ReadCutInput(pData, nSize)) {
        Check(input->stream, FeedEveryWay(input->stream, input->cuts, input->bByBytes, FeedPieces));
    }
    return 0;
}
