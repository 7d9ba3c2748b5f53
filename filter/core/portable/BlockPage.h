// The HTTP response with the HTML block page that replaces a blocked server's response.
#pragma once

#include <string>
#include <string_view>

// What rule blocked a request; it selects the page's text.
enum BlockPolicy : int {
    POLICY_NONE = 0,
    POLICY_IP_ADDRESS = 1,
    POLICY_URL = 2,
    POLICY_URL_WORD = 3,
    POLICY_CATEGORY = 4,
    POLICY_SETTINGS_CORRUPTED = 5,
    POLICY_TIME = 6,  // the reason in matchedWord; strict filter only
};

struct BlockPageValues {
    int iPolicy = POLICY_NONE;
    std::string_view host;
    std::string_view matchedWord;
    std::string_view category;
    std::string_view currentUser;
    std::string_view applicationPath;  // ends with a backslash
    std::string_view ipAddress;        // dotted decimal
};

// Values are HTML-escaped; letters, digits and ". - / : \" pass unchanged, so pages with
// ordinary values have the documented lengths.
std::string BuildBlockPageBody(const BlockPageValues& values);
// Head, body, then "\r\n\r\n"; Content-Length counts the body only.
std::string BuildBlockPageResponse(const BlockPageValues& values);

// The page of the strict filter: its pictures inside it (no browser loads a page's pictures
// from the installation folder), every reason named (a site of no category too), and a
// layout that reads on a phone as on a desktop. The texts the old page carried stay, word for
// word, for readers of either. URIs are data: URIs of the background and the logo.
struct BlockPagePictures {
    std::string_view backgroundUri;
    std::string_view logoUri;
};
std::string BuildStrictBlockPageBody(const BlockPageValues& values,
                                     const BlockPagePictures& pictures);
std::string BuildStrictBlockPageResponse(const BlockPageValues& values,
                                         const BlockPagePictures& pictures);

std::string HtmlEscape(std::string_view text);
