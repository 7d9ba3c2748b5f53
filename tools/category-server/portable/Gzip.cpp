#include "tools/category-server/portable/Gzip.h"

#include <array>

#include "tools/category-server/portable/Inflate.h"

namespace {

constexpr std::uint8_t kFlagHeaderCrc = 2;
constexpr std::uint8_t kFlagExtra = 4;
constexpr std::uint8_t kFlagName = 8;
constexpr std::uint8_t kFlagComment = 16;

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

std::uint32_t ReadLE32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
    }
    return value;
}

bool IsMemberStart(std::string_view in) {
    return in.size() >= 2 && static_cast<std::uint8_t>(in[0]) == 0x1F &&
           static_cast<std::uint8_t>(in[1]) == 0x8B;
}

// The header's length, or 0 when it is damaged or cut.
std::size_t HeaderLength(std::string_view in, std::string& error) {
    if (in.size() < 10) {
        error = "cut gzip header";
        return 0;
    }
    if (!IsMemberStart(in) || in[2] != 8) {
        error = "not a gzip file";
        return 0;
    }
    const auto flags = static_cast<std::uint8_t>(in[3]);
    std::size_t pos = 10;
    if ((flags & 0xE0U) != 0) {
        error = "reserved gzip flags set";
        return 0;
    }
    if ((flags & kFlagExtra) != 0) {
        if (in.size() < pos + 2) {
            error = "cut gzip header";
            return 0;
        }
        pos += 2 + (static_cast<std::uint8_t>(in[pos]) |
                    (std::size_t{static_cast<std::uint8_t>(in[pos + 1])} << 8));
    }
    for (const std::uint8_t flag : {kFlagName, kFlagComment}) {
        if ((flags & flag) != 0 && pos < in.size()) {
            const std::size_t nEnd = in.find('\0', pos);
            pos = nEnd == std::string_view::npos ? in.size() + 1 : nEnd + 1;
        }
    }
    if ((flags & kFlagHeaderCrc) != 0) {
        pos += 2;
    }
    if (pos > in.size()) {
        error = "cut gzip header";
        return 0;
    }
    return pos;
}

}  // namespace

std::uint32_t Crc32(std::string_view data, std::uint32_t crc) noexcept {
    static const std::array<std::uint32_t, 256> kTable = MakeCrcTable();
    crc = ~crc;
    for (const char c : data) {
        crc = kTable[(crc ^ static_cast<std::uint8_t>(c)) & 0xFFU] ^ (crc >> 8);
    }
    return ~crc;
}

bool Gunzip(std::string_view in, std::string& out, std::string& error, std::size_t nMaxOut) {
    bool bFirst = true;
    while (bFirst || IsMemberStart(in)) {
        bFirst = false;
        const std::size_t nHeader = HeaderLength(in, error);
        if (nHeader == 0) {
            return false;
        }
        in.remove_prefix(nHeader);
        const std::size_t nStart = out.size();
        const CInflateResult result =
            Inflate(in, out, nMaxOut - (nStart <= nMaxOut ? nStart : nMaxOut));
        switch (result.status) {
            case InflateStatus::kOk:
                break;
            case InflateStatus::kTruncated:
                error = "cut gzip data";
                return false;
            case InflateStatus::kBadData:
                error = "damaged gzip data";
                return false;
            case InflateStatus::kTooLarge:
                error = "gzip data too large";
                return false;
        }
        in.remove_prefix(result.nConsumed);
        if (in.size() < 8) {
            error = "cut gzip trailer";
            return false;
        }
        const std::string_view member(out.data() + nStart, out.size() - nStart);
        if (ReadLE32(in) != Crc32(member) ||
            ReadLE32(in.substr(4)) != static_cast<std::uint32_t>(member.size())) {
            error = "gzip check failed";
            return false;
        }
        in.remove_prefix(8);
    }
    return true;
}
