// The category server's reading of a request from whatever a client sends, received in pieces
// cut where the input says (and, when it asks, one byte at a time): every way must give the
// same outcome, a complete request must be exactly what its header announced, and nothing
// beyond the limit is ever taken in. The reply to a complete request must be one the filter's
// client decodes back to the category. Input: see ReadCutInput.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "filter/core/portable/TLVMessage.h"
#include "fuzz/FeedEveryWay.h"
#include "tools/category-server/portable/LookupProtocol.h"

namespace {

using State = CLookupRequestReader::State;

struct Outcome {
    State state = State::kReading;
    int iType = -1;
    std::string url;
    bool operator==(const Outcome&) const = default;
};

Outcome FeedPieces(std::string_view stream, const std::vector<std::size_t>& cuts) {
    CLookupRequestReader reader;
    std::size_t nPos = 0;
    const auto receive = [&](std::size_t nEnd) {
        while (nPos < nEnd && reader.GetState() == State::kReading) {
            const std::span<char> space = reader.Space();
            if (space.empty()) {
                std::abort();  // reading, yet no room for more
            }
            const std::size_t n = std::min(space.size(), nEnd - nPos);
            std::memcpy(space.data(), stream.data() + nPos, n);
            reader.Received(n);
            nPos += n;
        }
    };
    for (const std::size_t nCut : cuts) {
        receive(nCut);
    }
    receive(stream.size());
    Outcome outcome{reader.GetState(), -1, std::string(reader.Url())};
    if (outcome.state == State::kComplete) {
        outcome.iType = reader.Type();
    }
    return outcome;
}

std::uint32_t LengthField(std::string_view stream) {
    std::uint32_t uLength = 0;
    for (int i = 3; i >= 0; --i) {
        uLength =
            (uLength << 8) | static_cast<unsigned char>(stream[1 + static_cast<std::size_t>(i)]);
    }
    return uLength;
}

void CheckAgainstTheStream(std::string_view stream, const Outcome& outcome) {
    const bool bTypeOk = !stream.empty() && (stream[0] == 4 || stream[0] == 6);
    const std::uint32_t uLength = stream.size() >= 5 ? LengthField(stream) : 0;
    const bool bLengthOk = uLength >= 5 && uLength <= kMaxRequestBytes;
    switch (outcome.state) {
        case State::kComplete:
            if (!bTypeOk || !bLengthOk || stream.size() < uLength || outcome.iType != stream[0] ||
                outcome.url != stream.substr(5, uLength - 5)) {
                std::abort();
            }
            break;
        case State::kMalformed:
            if (bTypeOk && (stream.size() < 5 || bLengthOk)) {
                std::abort();
            }
            break;
        case State::kReading:
            if ((!stream.empty() && !bTypeOk) || (stream.size() >= 5 && !bLengthOk) ||
                (stream.size() >= 5 && stream.size() >= uLength)) {
                std::abort();
            }
            break;
    }
}

// The reply, with the URL's tail for a category, as the filter's client decodes it.
void CheckReply(const Outcome& outcome) {
    const std::string_view category = std::string_view(outcome.url).substr(outcome.url.size() / 2);
    const auto uType = static_cast<std::uint8_t>(outcome.iType);
    std::array<char, kMaxReplyBytes> reply{};
    const std::size_t n = BuildLookupReply(uType, {category, outcome.url.size() % 2 == 0}, reply);
    TLVMessage decoded;
    if (n > kMaxReplyBytes || !TLVMessage::Decode(std::string_view(reply.data(), n), decoded) ||
        decoded.type != uType || static_cast<std::size_t>(decoded.length) != n) {
        std::abort();
    }
    const std::string_view value = decoded.value;
    const std::size_t nPrefix = uType == kScopedLookupType ? 2 : 0;
    if ((nPrefix == 2 && value.substr(0, 2) != (outcome.url.size() % 2 == 0 ? "h\t" : "u\t")) ||
        value.substr(nPrefix) != category.substr(0, kMaxReplyBytes - 5 - nPrefix)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const auto input = ReadCutInput(pData, nSize);
    if (!input) {
        return 0;
    }
    const Outcome outcome = FeedEveryWay(input->stream, input->cuts, input->bByBytes, FeedPieces);
    CheckAgainstTheStream(input->stream, outcome);
    if (outcome.state == State::kComplete) {
        CheckReply(outcome);
    }
    return 0;
}
