// A reply is whatever the network delivers. Decoding must stay inside the received bytes,
// and a decoded reply must encode back to the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "filter/core/portable/TLVMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view received(reinterpret_cast<const char*>(pData), nSize);
    TLVMessage reply;
    if (!TLVMessage::Decode(received, reply)) {
        return 0;
    }
    if (reply.length < 5 || static_cast<std::size_t>(reply.length) > nSize ||
        reply.value.size() + 5 != static_cast<std::size_t>(reply.length)) {
        std::abort();
    }
    char buffer[70000];
    const std::size_t nEncoded = reply.Encode(buffer, sizeof buffer);
    if (nEncoded != 0 && received.substr(0, nEncoded) != std::string_view(buffer, nEncoded)) {
        std::abort();
    }
    reply.Text();
    return 0;
}
