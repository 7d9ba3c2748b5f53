// Decoding takes whatever the settings file holds, hand-edited or damaged. It must never
// read or write outside its buffers, and whatever it yields must survive a round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Api/portable/Crypto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    CCrypto crypto;
    if (!crypto.Decode(input)) {
        if (nSize <= CCrypto::kMaxEncodedLength) {
            std::abort();
        }
        return 0;
    }
    const std::string decoded(crypto.Output());
    if (decoded.size() > CCrypto::kMaxClearLength) {
        return 0;
    }
    if (!crypto.Encode(decoded, static_cast<std::int64_t>(nSize) * 7919) ||
        crypto.Output().size() != CCrypto::EncodedLength(decoded.size())) {
        std::abort();
    }
    const std::string encoded(crypto.Output());
    if (!crypto.Decode(encoded) || crypto.Output() != decoded) {
        std::abort();
    }
    return 0;
}
