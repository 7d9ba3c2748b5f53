// Categories with the strict switch on, through the host and the layer: the filter asks once
// per host when the server says its answer holds for the whole host, asks per URL when a path
// of the host has its own entry, and asks a server from before type 6 with type 4.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/filter/StrictFilteringTest.h"

namespace {

constexpr char kGamblingPolicy[] = "Category applied is: <span style='color:blue'>Gambling</span>";

std::string Get(const std::string& host, const std::string& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
}

class StrictCategoriesTest : public StrictFilteringTest {
protected:
    // Makes `server` the filter's category server, with Gambling blocked.
    static void Use(const CCategoryServerStub& server) {
        server.Use();
        ASSERT_TRUE(CPolicyLibrary().SetBlockedCategories({"Gambling"}));
    }
    // The answers to `paths` of one host, sent one after another on one kept connection.
    static std::vector<std::string> Browse(const std::string& host,
                                           const std::vector<std::string>& paths) {
        CKeepAliveServer web;
        CSocket client = ConnectTo(web.Address());
        std::vector<std::string> answers;
        for (const std::string& path : paths) {
            SendAll(client.Get(), Get(host, path));
            answers.push_back(ReadResponse(client.Get()));
        }
        ::shutdown(client.Get(), SD_SEND);
        ReceiveAll(client.Get());
        return answers;
    }
    static std::vector<int> Types(const CCategoryServerStub& server) {
        std::vector<int> types;
        for (const auto& request : server.Requests()) {
            types.push_back(request.iType);
        }
        return types;
    }
};

TEST_F(StrictCategoriesTest, APageOfManyRequestsToOneHostCostsOneLookup) {
    const CCategoryServerStub server([](const std::string&) {
        return CCategoryServerStub::CAnswer{"News", true};
    });
    Use(server);
    std::vector<std::string> paths;
    for (int i = 0; i < 30; ++i) {
        paths.push_back("/part" + std::to_string(i) + ".js");
    }
    for (const std::string& answer : Browse("news.example", paths)) {
        EXPECT_EQ(answer, Response(kBody));
    }
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].iType, 6);
    EXPECT_EQ(server.Requests()[0].strUrl, "news.example/part0.js");
}

TEST_F(StrictCategoriesTest, APathWithItsOwnEntryStillDecides) {
    const CCategoryServerStub server([](const std::string& url) {
        const bool bBetting = url.rfind("sports.example/betting", 0) == 0;
        return CCategoryServerStub::CAnswer{bBetting ? "Gambling" : "Sports", false};
    });
    Use(server);
    const auto answers = Browse("sports.example", {"/scores", "/scores", "/news", "/betting/odds"});
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers[0], Response(kBody));
    EXPECT_EQ(answers[2], Response(kBody));
    EXPECT_NE(answers[3].find(kGamblingPolicy), std::string::npos);
    // The repeated URL was kept; every other URL was asked.
    EXPECT_EQ(Types(server), (std::vector<int>{6, 6, 6}));
}

TEST_F(StrictCategoriesTest, AServerWithoutTypeSixIsAskedWithTypeFourAndKeptByUrl) {
    const CCategoryServerStub server(
        [](const std::string&) { return CCategoryServerStub::CAnswer{"Gambling"}; },
        CCategoryServerStub::Protocol::kTypeFourOnly);
    Use(server);
    for (const char* szPath : {"/", "/slots", "/"}) {
        const auto answers = Browse("casino.example", {szPath});
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_NE(answers[0].find(kGamblingPolicy), std::string::npos) << szPath;
    }
    EXPECT_EQ(Types(server), (std::vector<int>{6, 6, 4, 4}));
}

// The second server is asked while the first refuses.
TEST_F(StrictCategoriesTest, TheSecondServerAnswersWhenTheFirstIsDown) {
    const CCategoryServerStub second(
        [](const std::string&) { return CCategoryServerStub::CAnswer{"Gambling"}; },
        CCategoryServerStub::Protocol::kScoped, "127.0.0.3");
    const CClosedPort first("127.0.0.2");
    UseCategoryServer("127.0.0.2", first.Port());
    UseSecondCategoryServer("127.0.0.3:" + std::to_string(second.Port()));
    ASSERT_TRUE(CPolicyLibrary().SetBlockedCategories({"Gambling"}));
    for (const char* szHost : {"casino.example", "casino2.example"}) {
        const auto answers = Browse(szHost, {"/"});
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_NE(answers[0].find(kGamblingPolicy), std::string::npos) << szHost;
    }
    EXPECT_EQ(second.Requests().size(), 2u);
}

}  // namespace
