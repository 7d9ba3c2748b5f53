#include "tools/category-server/portable/HostName.h"

#include "tools/category-server/portable/ListText.h"

namespace {

bool IsHostChar(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool IsIPv6Char(char c) noexcept {
    return (c >= 'a' && c <= 'f') || (c >= '0' && c <= '9') || c == ':' || c == '.';
}

// "2001:DB8::1" or "[2001:db8::1]": hexadecimal digits, colons (at least two) and dots.
bool NormaliseIPv6(std::string_view text, std::string& out) {
    if (text.front() == '[') {
        if (text.size() < 2 || text.back() != ']') {
            return false;
        }
        text = text.substr(1, text.size() - 2);
    }
    if (text.size() < 2 || text.size() > 45) {
        return false;
    }
    out = "[";
    std::size_t nColons = 0;
    for (const char c : text) {
        const char folded = LowerAscii(c);
        if (!IsIPv6Char(folded)) {
            return false;
        }
        nColons += c == ':' ? 1 : 0;
        out += folded;
    }
    out += ']';
    return nColons >= 2;
}

}  // namespace

bool NormaliseHost(std::string_view text, std::string& out) {
    text = TrimAscii(text);
    if (text.empty()) {
        return false;
    }
    if (text.front() == '[' || text.find(':') != std::string_view::npos) {
        return NormaliseIPv6(text, out);
    }
    if (text.back() == '.') {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > kMaxHostLength) {
        return false;
    }
    out.assign(text);
    std::size_t nLabel = 0;
    for (char& c : out) {
        c = LowerAscii(c);
        if (c == '.') {
            if (nLabel == 0) {
                return false;
            }
            nLabel = 0;
        } else if (!IsHostChar(c) || ++nLabel > kMaxLabelLength) {
            return false;
        }
    }
    return nLabel > 0;
}

bool IsIPv4Literal(std::string_view host) noexcept {
    std::size_t nParts = 0;
    std::size_t nDigits = 0;
    for (const char c : host) {
        if (c == '.') {
            if (nDigits == 0) {
                return false;
            }
            ++nParts;
            nDigits = 0;
        } else if (c < '0' || c > '9' || ++nDigits > 3) {
            return false;
        }
    }
    return nParts == 3 && nDigits > 0;
}

bool IsIPLiteral(std::string_view host) noexcept {
    return (!host.empty() && host.front() == '[') || IsIPv4Literal(host);
}
