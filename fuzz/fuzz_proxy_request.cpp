// What a browser (or anything else on the machine) sends the filtering proxy, and what a server
// sends back. The head read from the stream must not depend on how the stream was cut; a
// request the proxy accepts must become a well-formed head for the server (no line the browser
// could smuggle in), and a response head rewritten for the browser must frame its body as the
// server's did.
//
// The input starts with one byte: bits 0-2 the number of cuts, bit 3 also feed one byte at a
// time; then 2 bytes per cut, then the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FeedEveryWay.h"
#include "tools/filter-proxy/portable/HeadReader.h"
#include "tools/filter-proxy/portable/HostsFile.h"
#include "tools/filter-proxy/portable/ProxyRequest.h"
#include "tools/filter-proxy/portable/ResponseHead.h"

namespace {

constexpr std::size_t kMaxHead = 2048;

struct Outcome {
    CHeadReader::State state;
    std::string head;
    std::size_t nTaken = 0;
    bool operator==(const Outcome&) const = default;
};

Outcome FeedPieces(std::string_view stream, const std::vector<std::size_t>& cuts) {
    CHeadReader reader(kMaxHead);
    Outcome outcome{};
    std::size_t pos = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(stream.size());
    for (const std::size_t end : ends) {
        const std::size_t nTaken = reader.Feed(stream.substr(pos, end - pos));
        if (nTaken < end - pos) {
            outcome.nTaken = pos + nTaken;
            break;
        }
        pos = end;
        outcome.nTaken = pos;
    }
    outcome.state = reader.GetState();
    outcome.head = reader.Head();
    return outcome;
}

void CheckUpstreamHead(const CProxyRequest& request) {
    const std::string head = UpstreamHead(request);
    // Lines end with CRLF, and nowhere else is there a CR or LF.
    std::size_t nLines = 0;
    for (std::size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '\r' ? i + 1 == head.size() || head[i + 1] != '\n'
                            : head[i] == '\n' && (i == 0 || head[i - 1] != '\r')) {
            std::abort();
        }
        nLines += head[i] == '\n' ? 1 : 0;
    }
    if (head.size() < 4 || head.substr(head.size() - 4) != "\r\n\r\n" || nLines < 3) {
        std::abort();
    }
    // Every line after the first names a header.
    const std::vector<std::string_view> lines = HeadLines(head);
    const auto headers = ParseHeaderLines({lines.begin() + 1, lines.end()});
    // One Host, the URL's, first; one Connection, the proxy's, last.
    if (!headers || HeaderValues(*headers, "Host").size() != 1 ||
        headers->front().first != "Host" || HeaderValues(*headers, "Connection").size() != 1 ||
        headers->back() != std::pair<std::string, std::string>("Connection", "close")) {
        std::abort();
    }
}

void CheckResponse(std::string_view head) {
    for (const bool bHeadRequest : {false, true}) {
        const auto response = ParseResponseHead(head, bHeadRequest);
        if (!response) {
            continue;
        }
        const std::string rewritten = ClientResponseHead(head, *response, true);
        const auto again = ParseResponseHead(rewritten, bHeadRequest);
        if (!again || again->iStatus != response->iStatus || again->body != response->body ||
            again->nLength != response->nLength) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const auto input = ReadCutInput(pData, nSize);
    if (!input) {
        return 0;
    }
    const std::string_view stream = input->stream;
    const Outcome outcome = FeedEveryWay(stream, input->cuts, input->bByBytes, FeedPieces);
    if (outcome.head.size() > kMaxHead) {
        std::abort();
    }
    if (outcome.state == CHeadReader::State::kComplete) {
        const CParsedRequest parsed = ParseProxyRequest(outcome.head);
        if (parsed.iStatus == 0 && !parsed.request.bConnect) {
            CheckUpstreamHead(parsed.request);
        }
        if (parsed.iStatus != 0 && parsed.reason.empty()) {
            std::abort();
        }
        CheckResponse(outcome.head);
    }
    // The same bytes as a hosts file: whatever it holds, resolving never fails.
    const CHostsFile hosts(stream);
    static_cast<void>(hosts.Resolve(stream.substr(0, 16)));
    return 0;
}
