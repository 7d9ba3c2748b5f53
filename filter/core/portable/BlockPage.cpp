#include "filter/core/portable/BlockPage.h"

namespace {

constexpr std::string_view kBodyStart = "<html>\n\n<body bgcolor=white background=\"";
constexpr std::string_view kBackground =
    "Quillon-block-image.jpg\">\n<img width=53 height=48 src=\"";
constexpr std::string_view kLogo =
    "access-quillon-logo.jpg\"></img>\n<table border=0 width=\"100%\">\n<tr></tr>\n<tr></tr>\n"
    "<tr></tr>\n<tr>\n<td width=\"100%\">\n<table border=0 cellpadding=0 >\n<tr>\n<td>\n</td>\n"
    "<td width=730>\n<p><b><br>\nDear <span style='color:blue'>";
constexpr std::string_view kAfterUser = "</span>, <br><br>\n<span style='color:#993300'>";
constexpr std::string_view kBodyEnd =
    "\n</b></p>\n<p><b>\nCurrent Internet Access Configuration does not allow you to visit\n"
    "this site.\n</b></p>\n</td>\n</tr>\n</table>\n</td>\n</tr></table>\n</font>\n</body>\n\n"
    "</html>";
constexpr std::string_view kSiteIntro =
    " is applied on web site you are trying to access: <br>\n<span style='color:blue'>http://";
constexpr std::string_view kSiteEnd = "</span> <br>\n";
constexpr std::string_view kCorrupted =
    "Quillon Parental Control configuration is corrupted.<br>\nSomeone has tempered the "
    "settings<br>\nPlease reinstall the Parental Control";
constexpr std::string_view kHead =
    "HTTP/1.0 200 OK\r\nConnection: close\r\nVia: 1.1 Lumora (tinyproxy/1.7.4)\r\n"
    "Content-Type: text/html\r\nMime-Version: 1.0\r\nContent-Length: ";

void AppendVariant(std::string& body, const BlockPageValues& values) {
    if (values.iPolicy == POLICY_SETTINGS_CORRUPTED) {
        body += kCorrupted;
        return;
    }
    struct Detail {
        std::string_view name;
        std::string_view label;
        std::string_view value;
    };
    Detail detail{"URL Policy</span>", "", ""};
    switch (values.iPolicy) {
        case POLICY_IP_ADDRESS:
            detail = {"IP Address Policy</span>", "IP Address applied is: ", values.ipAddress};
            break;
        case POLICY_URL_WORD:
            detail = {"URL Word Policy</span>", "URL Word applied is: ", values.matchedWord};
            break;
        case POLICY_CATEGORY:
            detail = {"Category Policy</span>", "Category applied is: ", values.category};
            break;
        default:
            break;
    }
    body += detail.name;
    body += kSiteIntro;
    body += HtmlEscape(values.host);
    body += kSiteEnd;
    if (!detail.label.empty()) {
        body += detail.label;
        body += "<span style='color:blue'>";
        body += HtmlEscape(detail.value);
        body += "</span><br>";
    }
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string BuildBlockPageBody(const BlockPageValues& values) {
    const std::string strFolder = HtmlEscape(values.applicationPath);
    std::string body;
    body.reserve(1024);
    body += kBodyStart;
    body += strFolder;
    body += kBackground;
    body += strFolder;
    body += kLogo;
    body += HtmlEscape(values.currentUser);
    body += kAfterUser;
    AppendVariant(body, values);
    body += kBodyEnd;
    return body;
}

std::string BuildBlockPageResponse(const BlockPageValues& values) {
    const std::string body = BuildBlockPageBody(values);
    std::string response(kHead);
    response += std::to_string(body.size());
    response += "\r\n\r\n";
    response += body;
    response += "\r\n\r\n";
    return response;
}
