// A connection's sends, as any program may make them: the input is cut into sends at points
// it chooses itself (each piece's length comes from the byte before it), and the inspection
// runs over them in order. Whatever arrives, the state stays within its bounds and what the
// inspection reports lies inside the bytes sent (or, for a collected head, inside the small
// sends).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "filter/core/portable/RequestInspector.h"

namespace {

// Keeps every other level, so that both the formatting and the skipping run.
class CCountingLog : public IFilterLog {
public:
    bool Enabled(signed char iLevel) const override { return iLevel % 2 == 1; }
    void Write(const std::string& strText, signed char) override { m_nBytes += strText.size(); }

private:
    std::size_t m_nBytes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    SocketFilterState state;
    CCountingLog log;
    std::string sent;
    // The bytes of 1- and 2-byte sends only: a head collected from them skips the longer
    // sends in between.
    std::string small;
    std::size_t pos = 0;
    while (pos < nSize) {
        // 1 and 2 are the collected sizes; other values give longer sends.
        const std::size_t nPiece = std::min<std::size_t>(1 + pData[pos] % 40, nSize - pos - 1);
        ++pos;
        if (nPiece == 0) {
            break;
        }
        const std::string_view piece(reinterpret_cast<const char*>(pData + pos), nPiece);
        pos += nPiece;
        sent.append(piece);
        if (nPiece <= 2) {
            small.append(piece);
        }
        const InspectedSend send = InspectSend(state, piece, log);
        if (state.pendingRequest.size() > SocketFilterState::kMaxPendingRequest ||
            state.isHttp > 1 || std::string(state.host).size() >= SocketFilterState::kHostSize) {
            std::abort();
        }
        if (send.bJudge != (nPiece != 1) || send.copy.size() > nPiece) {
            std::abort();
        }
        if (send.requestUri && sent.find(*send.requestUri) == std::string::npos &&
            small.find(*send.requestUri) == std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
