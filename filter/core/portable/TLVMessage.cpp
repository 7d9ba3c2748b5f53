#include "filter/core/portable/TLVMessage.h"

#include <cstring>

#include "log/portable/Format.h"

std::size_t TLVMessage::Encode(char* pOut, std::size_t nCapacity) const {
    const std::size_t nTotal = value.size() + kHeaderLength;
    if (nTotal > nCapacity) {
        return 0;
    }
    pOut[0] = static_cast<char>(type & 0xFF);
    for (int i = 0; i < 4; ++i) {
        pOut[1 + i] = static_cast<char>((nTotal >> (8 * i)) & 0xFF);
    }
    std::memcpy(pOut + kHeaderLength, value.data(), value.size());
    return nTotal;
}

bool TLVMessage::Decode(std::string_view received, TLVMessage& out) {
    if (received.size() < kHeaderLength) {
        return false;
    }
    std::uint32_t uLength = 0;
    for (int i = 0; i < 4; ++i) {
        uLength |= std::uint32_t{static_cast<unsigned char>(received[1 + static_cast<size_t>(i)])}
                   << (8 * i);
    }
    if (uLength < kHeaderLength || uLength > received.size()) {
        return false;
    }
    out.type = static_cast<unsigned char>(received[0]);
    out.length = static_cast<int>(uLength);
    out.value.assign(received.substr(kHeaderLength, uLength - kHeaderLength));
    out.messageCode = out.type;
    return true;
}

std::string TLVMessage::Text() const {
    return Format("TYPE :%d LENGTH :%d VALUE :%s MESSAGECODE :%d", type, length, value.c_str(),
                  messageCode);
}
