#include "filter/core/portable/BlockPage.h"

#include <gtest/gtest.h>

#include <string>

TEST(BlockPage, CorruptedSettingsPageHasItsDocumentedSize) {
    BlockPageValues values;
    values.iPolicy = POLICY_SETTINGS_CORRUPTED;
    values.currentUser = "Default";
    const std::string body = BuildBlockPageBody(values);
    EXPECT_EQ(body.size(), 667u);
    const std::string response = BuildBlockPageResponse(values);
    EXPECT_EQ(response.size(), 809u);
    EXPECT_EQ(response.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_NE(response.find("\r\nContent-Length: 667\r\n\r\n<html>"), std::string::npos);
    EXPECT_EQ(response.substr(response.size() - 11), "</html>\r\n\r\n");
}

// Fixed bytes per variant: the page length is those plus the values it shows.
TEST(BlockPage, EveryVariantHasItsFixedLength) {
    BlockPageValues values;
    values.applicationPath = "C:\\PC\\";
    values.currentUser = "kid";
    values.host = "games.example";
    values.matchedWord = "poker";
    values.category = "Gambling";
    values.ipAddress = "10.0.0.1";
    const size_t nCommon = 2 * values.applicationPath.size() + values.currentUser.size();
    values.iPolicy = POLICY_URL_WORD;
    EXPECT_EQ(BuildBlockPageBody(values).size(), 707 + nCommon + 13 + 5);
    values.iPolicy = POLICY_CATEGORY;
    const std::string category = BuildBlockPageBody(values);
    EXPECT_EQ(category.size(), 707 + nCommon + 13 + 8);
    EXPECT_NE(category.find("Category applied is: <span style='color:blue'>Gambling</span><br>"),
              std::string::npos);
    values.iPolicy = POLICY_URL;
    EXPECT_EQ(BuildBlockPageBody(values).size(), 645 + nCommon + 13);
    values.iPolicy = POLICY_SETTINGS_CORRUPTED;
    EXPECT_EQ(BuildBlockPageBody(values).size(), 660 + nCommon);
    values.iPolicy = POLICY_IP_ADDRESS;
    EXPECT_NE(BuildBlockPageBody(values).find("IP Address applied is: <span style='color:blue'>"
                                              "10.0.0.1</span><br>"),
              std::string::npos);
}

TEST(BlockPage, ValuesAreEscaped) {
    BlockPageValues values;
    values.iPolicy = POLICY_URL_WORD;
    values.host = "x.example/<script>";
    values.matchedWord = "a&b\"'";
    const std::string body = BuildBlockPageBody(values);
    EXPECT_EQ(body.find("<script>"), std::string::npos);
    EXPECT_NE(body.find("x.example/&lt;script&gt;"), std::string::npos);
    EXPECT_NE(body.find("a&amp;b&quot;&#39;"), std::string::npos);
}
