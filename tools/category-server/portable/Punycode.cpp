#include "tools/category-server/portable/Punycode.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kBase = 36;
constexpr std::uint32_t kTMin = 1;
constexpr std::uint32_t kTMax = 26;
constexpr std::uint32_t kSkew = 38;
constexpr std::uint32_t kDamp = 700;
constexpr std::uint32_t kInitialBias = 72;
constexpr std::uint32_t kInitialN = 128;

bool DecodeUtf8(std::string_view text, std::vector<std::uint32_t>& out) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t nMore = 0;
        std::uint32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            nMore = 1;
            cp = lead & 0x1FU;
        } else if ((lead & 0xF0) == 0xE0) {
            nMore = 2;
            cp = lead & 0x0FU;
        } else if ((lead & 0xF8) == 0xF0) {
            nMore = 3;
            cp = lead & 0x07U;
        } else {
            return false;
        }
        if (nMore > 0 && i + nMore >= text.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= nMore; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3FU);
        }
        constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[nMore] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        out.push_back(cp);
        i += nMore + 1;
    }
    return true;
}

char Digit(std::uint32_t d) {
    return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26));
}

std::uint32_t Adapt(std::uint32_t delta, std::uint32_t nPoints, bool bFirst) {
    delta = bFirst ? delta / kDamp : delta / 2;
    delta += delta / nPoints;
    std::uint32_t k = 0;
    while (delta > ((kBase - kTMin) * kTMax) / 2) {
        delta /= kBase - kTMin;
        k += kBase;
    }
    return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

}  // namespace

std::optional<std::string> ToAsciiLabel(std::string_view utf8Label) {
    std::vector<std::uint32_t> points;
    if (!DecodeUtf8(utf8Label, points)) {
        return std::nullopt;
    }
    std::string out;
    for (const std::uint32_t cp : points) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        }
    }
    const auto nBasic = static_cast<std::uint32_t>(out.size());
    if (nBasic == points.size()) {
        return out;
    }
    out.insert(0, "xn--");
    if (nBasic > 0) {
        out += '-';
    }
    std::uint32_t n = kInitialN;
    std::uint64_t delta = 0;
    std::uint32_t bias = kInitialBias;
    for (std::uint32_t h = nBasic; h < points.size(); ++n, ++delta) {
        std::uint32_t m = UINT32_MAX;
        for (const std::uint32_t cp : points) {
            if (cp >= n && cp < m) {
                m = cp;
            }
        }
        delta += std::uint64_t{m - n} * (h + 1);
        if (delta > UINT32_MAX) {
            return std::nullopt;
        }
        n = m;
        for (const std::uint32_t cp : points) {
            if (cp < n) {
                ++delta;
            } else if (cp == n) {
                auto q = static_cast<std::uint32_t>(delta);
                for (std::uint32_t k = kBase;; k += kBase) {
                    const std::uint32_t t =
                        k <= bias ? kTMin : (k >= bias + kTMax ? kTMax : k - bias);
                    if (q < t) {
                        break;
                    }
                    out += Digit(t + (q - t) % (kBase - t));
                    q = (q - t) / (kBase - t);
                }
                out += Digit(q);
                bias = Adapt(static_cast<std::uint32_t>(delta), h + 1, h == nBasic);
                delta = 0;
                ++h;
            }
        }
    }
    return out;
}

std::optional<std::string> ToAsciiName(std::string_view utf8Name) {
    std::string out;
    while (true) {
        const std::size_t nDot = utf8Name.find('.');
        const auto label = ToAsciiLabel(utf8Name.substr(0, nDot));
        if (!label) {
            return std::nullopt;
        }
        out += *label;
        if (nDot == std::string_view::npos) {
            return out;
        }
        out += '.';
        utf8Name.remove_prefix(nDot + 1);
    }
}
