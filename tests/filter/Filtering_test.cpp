// The whole filter at work in an application's process: sockets through the host, the layer
// over the base provider, a fresh installation, a category server, and a web server.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/core/portable/TLVMessage.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/ScriptedCategoryServer.h"
#include "win/ProductRegistry.h"

namespace {

constexpr char kPage[] = "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\nhello, world";
constexpr char kCategoryServerAddress[] = "127.0.0.2";

std::string CategoryReply(const std::string& category) {
    char buffer[TLVMessage::kBufferSize];
    return std::string(buffer, TLVMessage(4, category).Encode(buffer, sizeof buffer));
}

// The policy library the filter loaded into this process, for the settings program's part.
class CPolicyLibrary {
public:
    using SetList = int (*)(const char*, int, char***, int*);
    using SetCategories = int (*)(const char*, char***, int*);

    CPolicyLibrary() : m_hModule(::GetModuleHandleA("PolicyApi.dll")) {}

    bool SetBlockedWords(std::vector<const char*> words) const {
        const auto pSet = Proc<SetList>("SetURLList");
        char** list = const_cast<char**>(words.data());
        int count = static_cast<int>(words.size());
        return pSet != nullptr && pSet("Default", 0, &list, &count) == 1 && RequireUpdate();
    }
    bool SetBlockedCategories(std::vector<const char*> names) const {
        const auto pSet = Proc<SetCategories>("SetCategoryList");
        char** list = const_cast<char**>(names.data());
        int count = static_cast<int>(names.size());
        return pSet != nullptr && pSet("Default", &list, &count) == 1 && RequireUpdate();
    }

private:
    template <class F>
    F Proc(const char* szName) const {
        const FARPROC p = m_hModule != nullptr ? ::GetProcAddress(m_hModule, szName) : nullptr;
        return reinterpret_cast<F>(reinterpret_cast<void*>(p));
    }
    bool RequireUpdate() const {
        const auto pUpdate = Proc<int (*)(int)>("UpdateRequire");
        return pUpdate != nullptr && pUpdate(1) == 1;
    }
    HMODULE m_hModule;
};

class FilteringTest : public ::testing::Test {
protected:
    FilteringTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~FilteringTest() override { ::WSACleanup(); }

    // The configured category server; read by the filter at its next reload.
    static void UseCategoryServer(int iPort) {
        const CRegKey key = OpenProductKey(KEY_SET_VALUE);
        const std::string strAddress = kCategoryServerAddress;
        ::RegSetValueExA(key.Get(), "TLVServerIP", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(strAddress.c_str()),
                         static_cast<DWORD>(strAddress.size() + 1));
        const DWORD dwPort = static_cast<DWORD>(iPort);
        ::RegSetValueExA(key.Get(), "TLVServerPort", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&dwPort), sizeof dwPort);
    }

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
    UseCategoryServer(categories.Port());
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
    UseCategoryServer(categories.Port());
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
    ScriptedCategoryServer categories(CategoryReply("Games"), kCategoryServerAddress);
    UseCategoryServer(categories.Port());
    const CPolicyLibrary policy;
    ASSERT_TRUE(policy.SetBlockedCategories({"Games"}));
    EXPECT_NE(Browse("/").find("Category applied is: <span style='color:blue'>Games</span>"),
              std::string::npos);
}
