#include "tools/category-server/portable/PublicSuffixes.h"

#include <optional>

#include "tools/category-server/portable/HostName.h"
#include "tools/category-server/portable/ListText.h"
#include "tools/category-server/portable/Punycode.h"

namespace {

constexpr std::string_view kBeginIcann = "// ===BEGIN ICANN DOMAINS===";
constexpr std::string_view kEndIcann = "// ===END ICANN DOMAINS===";

std::optional<std::string> RuleName(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = LowerAscii(c);
    }
    auto ascii = ToAsciiName(folded);
    std::string host;
    if (!ascii || !NormaliseHost(*ascii, host) || IsIPLiteral(host)) {
        return std::nullopt;
    }
    return host;
}

}  // namespace

std::size_t CPublicSuffixes::Parse(std::string_view text) {
    const bool bSections = text.find(kBeginIcann) != std::string_view::npos;
    bool bInside = !bSections;
    std::size_t nRules = 0;
    ForEachLine(text, [&](std::string_view line) {
        if (line.substr(0, kBeginIcann.size()) == kBeginIcann) {
            bInside = true;
        } else if (line.substr(0, kEndIcann.size()) == kEndIcann) {
            bInside = false;
        }
        if (!bInside || line.empty() || line.substr(0, 2) == "//") {
            return;
        }
        std::string_view rule = TakeField(line);
        CSet* pSet = &m_plain;
        if (rule.substr(0, 2) == "*.") {
            rule.remove_prefix(2);
            pSet = &m_wildcard;
        } else if (rule.substr(0, 1) == "!") {
            rule.remove_prefix(1);
            pSet = &m_exceptions;
        }
        if (auto name = RuleName(rule)) {
            nRules += pSet->insert(std::move(*name)).second ? 1 : 0;
        }
    });
    return nRules;
}

bool CPublicSuffixes::IsPublicSuffix(std::string_view host) const {
    if (IsIPLiteral(host) || m_exceptions.find(host) != m_exceptions.end()) {
        return false;
    }
    if (m_plain.find(host) != m_plain.end() || m_wildcard.find(host) != m_wildcard.end()) {
        return true;
    }
    const std::size_t nDot = host.find('.');
    return nDot != std::string_view::npos &&
           m_wildcard.find(host.substr(nDot + 1)) != m_wildcard.end();
}
