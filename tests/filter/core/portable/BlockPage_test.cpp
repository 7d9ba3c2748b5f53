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

// The strict page names every reason in the old page's words, so that readers of either (a
// parent, a script) find the same phrases; what it adds is its own.
TEST(StrictBlockPage, NamesEveryReasonInTheOldWords) {
    BlockPageValues values;
    values.currentUser = "kid";
    values.host = "games.example";
    values.matchedWord = "poker";
    values.ipAddress = "10.0.0.1";
    const BlockPagePictures pictures{"data:image/jpeg;base64,QkFDSw==",
                                     "data:image/jpeg;base64,TE9HTw=="};
    const struct {
        int iPolicy;
        const char* szCategory;
        const char* szPolicy;
        const char* szDetail;
    } cases[] = {
        {POLICY_URL_WORD, "", "URL Word Policy",
         "URL Word applied is: <span style='color:blue'>poker</span>"},
        {POLICY_CATEGORY, "Gambling", "Category Policy",
         "Category applied is: <span style='color:blue'>Gambling</span>"},
        {POLICY_CATEGORY, "", "Category Policy",
         "Category applied is: <span style='color:blue'>Null (not yet in any category)</span>"},
        {POLICY_CATEGORY, "Null", "Category Policy",
         "Category applied is: <span style='color:blue'>Null (the category server did not "
         "answer)</span>"},
        {POLICY_IP_ADDRESS, "", "IP Address Policy",
         "IP Address applied is: <span style='color:blue'>10.0.0.1</span>"},
        {POLICY_URL, "", "URL Policy", ""},
        {POLICY_TIME, "", "Time Policy",
         "Reason: <span style='color:blue'>Internet is allowed again at 07:00</span>"},
    };
    for (const auto& c : cases) {
        values.iPolicy = c.iPolicy;
        values.matchedWord =
            c.iPolicy == POLICY_TIME ? "Internet is allowed again at 07:00" : "poker";
        values.category = c.szCategory;
        const std::string page = BuildStrictBlockPageBody(values, pictures);
        SCOPED_TRACE(page);
        EXPECT_NE(page.find("Dear <span style='color:blue'>kid</span>"), std::string::npos);
        EXPECT_NE(page.find(std::string("<span style='color:#993300'>") + c.szPolicy +
                            "</span> is applied on web site you are trying to access:"),
                  std::string::npos);
        EXPECT_NE(page.find("http://games.example</span>"), std::string::npos);
        EXPECT_NE(page.find(c.szDetail), std::string::npos);
        EXPECT_NE(page.find("Current Internet Access Configuration does not allow you to visit "
                            "this site."),
                  std::string::npos);
        EXPECT_NE(page.find("<title>Blocked: games.example</title>"), std::string::npos);
        EXPECT_NE(page.find("url(data:image/jpeg;base64,QkFDSw==)"), std::string::npos);
        EXPECT_NE(page.find("src=\"data:image/jpeg;base64,TE9HTw==\""), std::string::npos);
        EXPECT_NE(page.find("name=\"viewport\""), std::string::npos);
    }
    values.iPolicy = POLICY_SETTINGS_CORRUPTED;
    const std::string corrupted = BuildStrictBlockPageResponse(values, pictures);
    EXPECT_NE(corrupted.find("configuration is corrupted"), std::string::npos);
    EXPECT_EQ(corrupted.find("games.example"), std::string::npos);
    EXPECT_EQ(corrupted.substr(0, 17), "HTTP/1.0 200 OK\r\n");
}

TEST(StrictBlockPage, ValuesAreEscapedWherePeopleCanSetThem) {
    BlockPageValues values;
    values.iPolicy = POLICY_CATEGORY;
    values.currentUser = "<b>kid</b>";
    values.host = "a.example\"><script>";
    values.category = "Games & <More>";
    const std::string page = BuildStrictBlockPageBody(values, {});
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(page.find("<b>kid"), std::string::npos);
    EXPECT_NE(page.find("Games &amp; &lt;More&gt;"), std::string::npos);
    EXPECT_NE(page.find("Blocked: a.example&quot;&gt;&lt;script&gt;"), std::string::npos);
}
