// pcdemo: a browser-like client for the demonstration. It gives the "Default" profile a
// blocked word and a blocked category through PolicyApi.dll, then fetches a few pages from a
// web server on 127.0.0.1 through the Winsock layer, and says what came back.
//   pcdemo [--admin-password PW] PORT
// An installation with an administrator takes the rules only after his password ("admin").
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"

namespace {

std::string Fetch(u_short uPort, const std::string& strHost, const std::string& strPath) {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    address.sin_port = ::htons(uPort);
    std::string strResponse;
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string strRequest =
            "GET " + strPath + " HTTP/1.0\r\nHost: " + strHost + "\r\nUser-Agent: pcdemo\r\n\r\n";
        ::send(s, strRequest.data(), static_cast<int>(strRequest.size()), 0);
        char buffer[4096];
        for (int n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) {
            strResponse.append(buffer, static_cast<size_t>(n));
        }
    }
    ::closesocket(s);
    return strResponse;
}

// The rule a block page names, or an empty text for a page that passed.
std::string BlockReason(const std::string& strPage) {
    for (const char* szLabel : {"URL Word applied is: ", "Category applied is: "}) {
        const size_t label = strPage.find(szLabel);
        if (label == std::string::npos) {
            continue;
        }
        const size_t start = strPage.find('>', label) + 1;
        return std::string(szLabel) + strPage.substr(start, strPage.find('<', start) - start);
    }
    return strPage.find("configuration is corrupted") != std::string::npos ? "settings corrupted"
                                                                           : "";
}

bool SetDefaultList(int (*pSet)(const char*, char***, int*), std::vector<const char*> texts) {
    char** list = const_cast<char**>(texts.data());
    int count = static_cast<int>(texts.size());
    return pSet("Default", &list, &count) == 1;
}

int BlockWords(const char* szUser, char*** list, int* count) {
    return SetURLList(szUser, 0, list, count);
}

}  // namespace

int main(int argc, char** argv) {
    const bool bPassword = argc == 4 && std::string(argv[1]) == "--admin-password";
    if (argc != 2 && !bPassword) {
        std::fprintf(stderr, "usage: pcdemo [--admin-password PW] PORT\n");
        return 2;
    }
    if (bPassword && ValidatePassword("admin", argv[2]) != 1) {
        std::fprintf(stderr, "pcdemo: the administrator's password: %s\n", GetLastErrorMessage());
        return 1;
    }
    const auto uPort = static_cast<u_short>(std::atoi(argv[argc - 1]));
    if (!SetDefaultList(BlockWords, {"poker"}) || !SetDefaultList(SetCategoryList, {"Gambling"})) {
        std::fprintf(stderr, "pcdemo: cannot set the rules: %s\n", GetLastErrorMessage());
        return 1;
    }
    UpdateRequire(1);
    std::printf("Profile \"Default\": blocked word \"poker\", blocked category \"Gambling\"\n\n");

    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    const std::pair<const char*, const char*> visits[] = {
        {"news.example", "/"},
        {"games.example", "/poker-night"},
        {"casino.example", "/"},
        {"unknown.example", "/"},
    };
    int nFailures = 0;
    for (const auto& [szHost, szPath] : visits) {
        const std::string strPage = Fetch(uPort, szHost, szPath);
        const std::string strReason = BlockReason(strPage);
        const std::string strStatus = strPage.substr(0, strPage.find('\r'));
        std::printf("http://%s%s\n    -> %s\n", szHost, szPath,
                    strPage.empty()     ? "no answer"
                    : strReason.empty() ? ("passed: " + strStatus).c_str()
                                        : ("BLOCK PAGE, " + strReason).c_str());
        nFailures += strPage.empty() ? 1 : 0;
    }
    ::WSACleanup();
    return nFailures == 0 ? 0 : 1;
}
