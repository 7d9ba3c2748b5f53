#include "tools/category-server/portable/LookupProtocol.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t ReadLength(const char* p) noexcept {
    std::uint32_t uLength = 0;
    for (int i = 3; i >= 0; --i) {
        uLength = (uLength << 8) | static_cast<unsigned char>(p[i]);
    }
    return uLength;
}

void WriteHeader(std::uint8_t uType, std::size_t nLength, char* p) noexcept {
    p[0] = static_cast<char>(uType);
    for (int i = 0; i < 4; ++i) {
        p[1 + i] = static_cast<char>((nLength >> (8 * i)) & 0xFF);
    }
}

}  // namespace

CLookupRequestReader::State CLookupRequestReader::Received(std::size_t nBytes) noexcept {
    if (m_state != State::kReading) {
        return m_state;
    }
    m_nHave += std::min(nBytes, m_buffer.size() - m_nHave);
    m_state = Check();
    return m_state;
}

CLookupRequestReader::State CLookupRequestReader::Feed(std::string_view bytes) noexcept {
    if (m_state != State::kReading) {
        return m_state;
    }
    const std::span<char> space = Space();
    const std::size_t n = std::min(bytes.size(), space.size());
    if (n > 0) {
        std::memcpy(space.data(), bytes.data(), n);
    }
    return Received(n);
}

CLookupRequestReader::State CLookupRequestReader::Check() noexcept {
    if (m_nHave >= 1 && Type() != kLookupType && Type() != kScopedLookupType) {
        return State::kMalformed;
    }
    if (m_nHave < kLookupHeaderBytes) {
        return State::kReading;
    }
    const std::uint32_t uLength = ReadLength(m_buffer.data() + 1);
    if (uLength < kLookupHeaderBytes || uLength > kMaxRequestBytes) {
        return State::kMalformed;
    }
    return m_nHave >= uLength ? State::kComplete : State::kReading;
}

std::string_view CLookupRequestReader::Url() const noexcept {
    if (m_state != State::kComplete) {
        return {};
    }
    return {m_buffer.data() + kLookupHeaderBytes,
            ReadLength(m_buffer.data() + 1) - kLookupHeaderBytes};
}

void CLookupRequestReader::Reset() noexcept {
    m_nHave = 0;
    m_state = State::kReading;
}

std::size_t BuildLookupReply(std::uint8_t uType, const CCategoryAnswer& answer,
                             std::span<char, kMaxReplyBytes> out) noexcept {
    std::size_t n = kLookupHeaderBytes;
    if (uType == kScopedLookupType) {
        out[n++] = answer.bHostScope ? 'h' : 'u';
        out[n++] = '\t';
    }
    const std::size_t nCategory = std::min(answer.category.size(), out.size() - n);
    if (nCategory > 0) {  // an empty answer may have no data at all
        std::memcpy(out.data() + n, answer.category.data(), nCategory);
    }
    n += nCategory;
    WriteHeader(uType, n, out.data());
    return n;
}
