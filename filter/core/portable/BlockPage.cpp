#include "filter/core/portable/BlockPage.h"

#include "Api/portable/CategoryNames.h"

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

// The strict page. The old page's phrases ("Dear ...", "... Policy</span> is applied on web
// site ...", "... applied is: ...", "Current Internet Access Configuration does not allow you
// to visit this site.") stay as they were.
constexpr std::string_view kStrictStart =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
constexpr std::string_view kStrictStyleStart =
    "</title>\n<style>\n"
    "html{min-height:100%;background:#fff url(";
constexpr std::string_view kStrictStyleEnd =
    ") center top/cover no-repeat}\n"
    "body{margin:0;padding:4vh 16px;font:17px/1.5 \"Segoe UI\",Tahoma,Arial,sans-serif;"
    "color:#1f2d3d}\n"
    "main{max-width:40em;margin:0 auto;padding:20px 24px;background:rgba(255,255,255,.88);"
    "border-radius:12px;box-shadow:0 2px 14px rgba(20,60,110,.18)}\n"
    "img{display:block;width:53px;height:48px}\n"
    "p{margin:.9em 0}\n.site{overflow-wrap:anywhere}\n"
    "</style>\n</head>\n<body>\n<main>\n"
    "<img width=\"53\" height=\"48\" alt=\"Quillon Parental Control\" src=\"";
constexpr std::string_view kStrictGreeting = "\">\n<p><b>Dear <span style='color:blue'>";
constexpr std::string_view kStrictEnd =
    "<p><b>Current Internet Access Configuration does not allow you to visit this site.</b></p>\n"
    "</main>\n</body>\n</html>\n";

// The reason in the old page's words, then what matched.
void AppendStrictReason(std::string& body, const BlockPageValues& values) {
    if (values.iPolicy == POLICY_SETTINGS_CORRUPTED) {
        body += "<p><b><span style='color:#993300'>";
        body += kCorrupted;
        body += "</span></b></p>\n";
        return;
    }
    std::string_view name = "URL Policy";
    std::string_view label;
    std::string value;
    switch (values.iPolicy) {
        case POLICY_IP_ADDRESS:
            name = "IP Address Policy";
            label = "IP Address applied is: ";
            value = values.ipAddress;
            break;
        case POLICY_URL_WORD:
            name = "URL Word Policy";
            label = "URL Word applied is: ";
            value = values.matchedWord;
            break;
        case POLICY_CATEGORY:
            name = "Category Policy";
            label = "Category applied is: ";
            value = CategoryShown(values.category);
            break;
        case POLICY_TIME:
            name = "Time Policy";
            label = "Reason: ";
            value = values.matchedWord;
            break;
        default:
            break;
    }
    body += "<p><b><span style='color:#993300'>";
    body += name;
    body +=
        "</span> is applied on web site you are trying to access: <br>\n"
        "<span style='color:blue' class=\"site\">http://";
    body += HtmlEscape(values.host);
    body += "</span></b></p>\n";
    if (!label.empty()) {
        body += "<p><b>";
        body += label;
        body += "<span style='color:blue'>";
        body += HtmlEscape(value);
        body += "</span></b></p>\n";
    }
}

std::string ResponseAround(const std::string& body) {
    std::string response(kHead);
    response += std::to_string(body.size());
    response += "\r\n\r\n";
    response += body;
    response += "\r\n\r\n";
    return response;
}

}  // namespace

std::string BuildStrictBlockPageBody(const BlockPageValues& values,
                                     const BlockPagePictures& pictures) {
    std::string body;
    body.reserve(2048 + pictures.backgroundUri.size() + pictures.logoUri.size());
    body += kStrictStart;
    body += values.iPolicy == POLICY_SETTINGS_CORRUPTED ? "Quillon Parental Control"
                                                        : "Blocked: " + HtmlEscape(values.host);
    body += kStrictStyleStart;
    body += pictures.backgroundUri;
    body += kStrictStyleEnd;
    body += pictures.logoUri;
    body += kStrictGreeting;
    body += HtmlEscape(values.currentUser);
    body += "</span>,</b></p>\n";
    AppendStrictReason(body, values);
    body += kStrictEnd;
    return body;
}

std::string BuildStrictBlockPageResponse(const BlockPageValues& values,
                                         const BlockPagePictures& pictures) {
    return ResponseAround(BuildStrictBlockPageBody(values, pictures));
}

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
    return ResponseAround(BuildBlockPageBody(values));
}
