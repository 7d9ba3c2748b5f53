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

std::string HtmlEscape(std::string_view text);
