// The whole filter at work in an application's process: sockets through the host, the layer
// over the base provider, a fresh installation, a category server, and a web server.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/LoadedPolicyLibrary.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/ScriptedCategoryServer.h"

namespace {

constexpr char kPage[] = "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\nhello, world";
constexpr char kCategoryServerAddress[] = "127.0.0.2";

class FilteringTest : public ::testing::Test {
protected:
    FilteringTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~FilteringTest() override { ::WSACleanup(); }

    // The strict filter with a lookup wait of tenths of a second; read at the next reload.
    static void UseStrictFilter(DWORD dwTimeoutTenths) {
        const CRegKey key = OpenProductKey(KEY_SET_VALUE);
        const DWORD dwStrict = 1;
        ::RegSetValueExA(key.Get(), "StrictFilter", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&dwStrict), sizeof dwStrict);
        ::RegSetValueExA(key.Get(), "TLVTimeout", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&dwTimeoutTenths), sizeof dwTimeoutTenths);
    }

    // What a browser gets for GET `path` from the web server.
    static std::string Browse(const std::string& path) {
        CLoopbackPeer web([](SOCKET s) {
            char request[4096];
            ::recv(s, request, sizeof request, 0);
            SendAll(s, kPage);
            ::shutdown(s, SD_SEND);
        });
        CSocket client(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        const sockaddr_in address = web.Address();
        if (::connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
            0) {
            return "(connect failed)";
        }
        SendAll(client.Get(), "GET " + path + " HTTP/1.1\r\nHost: games.example\r\n\r\n");
        return ReceiveAll(client.Get());
    }

    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
    CQuietInstallation m_install;
};

}  // namespace

TEST_F(FilteringTest, PagesPassAndBlockedOnesGetTheBlockPage) {
    ASSERT_TRUE(m_install.Installed());
    ScriptedCategoryServer categories(CategoryReply("Games"), kCategoryServerAddress);
    UseCategoryServer(kCategoryServerAddress, categories.Port());
    const CPolicyLibrary policy;
    ASSERT_TRUE(policy.SetBlockedWords({"poker"}));

    const std::string blocked = Browse("/poker/tables");
    EXPECT_EQ(blocked.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_NE(blocked.find("URL Word applied is: <span style='color:blue'>poker</span>"),
              std::string::npos);
    EXPECT_EQ(blocked.find("hello, world"), std::string::npos);

    // No word decides this one: the category server is asked, and Games is not blocked.
    EXPECT_EQ(Browse("/index.html"), kPage);
    EXPECT_EQ(categories.Request().substr(5), "games.example/index.html");
}

TEST_F(FilteringTest, BlockedCategoriesGetTheCategoryPage) {
    ASSERT_TRUE(m_install.Installed());
    ScriptedCategoryServer categories(CategoryReply("Games"), kCategoryServerAddress);
    UseCategoryServer(kCategoryServerAddress, categories.Port());
    const CPolicyLibrary policy;
    ASSERT_TRUE(policy.SetBlockedCategories({"Games"}));

    const std::string blocked = Browse("/");
    EXPECT_NE(blocked.find("Category applied is: <span style='color:blue'>Games</span>"),
              std::string::npos);
    EXPECT_NE(blocked.find("Content-Length: "), std::string::npos);
}

// The strict filter's lookup through the layer: its connect does not block, and the category
// still arrives.
TEST_F(FilteringTest, StrictLookupGetsTheCategory) {
    ASSERT_TRUE(m_install.Installed());
    UseStrictFilter(20);
    ScriptedCategoryServer categories(ScopedCategoryReply("h", "Games"), kCategoryServerAddress);
    UseCategoryServer(kCategoryServerAddress, categories.Port());
    const CPolicyLibrary policy;
    ASSERT_TRUE(policy.SetBlockedCategories({"Games"}));
    EXPECT_NE(Browse("/").find("Category applied is: <span style='color:blue'>Games</span>"),
              std::string::npos);
}
