// A browser-like process with the filter loaded, for the tests across processes.
// Usage: filter_child <output file> <command>...
//   browse:PORT:PATH   GET PATH from 127.0.0.1:PORT; writes "blocked", "corrupted" or "passed"
//   login:NAME  user (writes "user NAME", the logged-in user)  signal:EVENT  wait:EVENT
//   prove:NAME:PASSWORD (ValidatePassword, as before a login; writes only a refusal)
//   filteroff (writes "filteroff N")
//   say:TEXT (writes TEXT and a line end to standard output, not to the output file)
//   update (writes "update N", the reload flag, and clears it as the filter's reload does)
//   use:PROFILE (input and a judged request now, as the settings program and the filter record
//   them: a minute of internet time; writes "used N", today's count)
//   time:PROFILE (writes "time ALLOWED USED EXTRA UNTIL", the profile's state now)
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Api/PolicyApi.h"
#include "tests/support/ChildCommands.h"
#include "tests/support/LoopbackPeer.h"

namespace {

std::string Browse(u_short uPort, const std::string& strPath) {
    CSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in address = LoopbackAddress(uPort);
    if (::connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return "no connection";
    }
    SendAll(s.Get(), "GET " + strPath + " HTTP/1.1\r\nHost: games.example\r\n\r\n");
    const std::string strPage = ReceiveAll(s.Get());
    if (strPage.find("configuration is corrupted") != std::string::npos) {
        return "corrupted";
    }
    return strPage.find("Policy</span>") != std::string::npos ? "blocked" : "passed";
}

}  // namespace

int main(int argc, char** argv) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    const int iResult = RunChildCommands(
        argc, argv, [](const std::string& strVerb, const std::string& strArg, FILE* pOut) {
            if (strVerb == "browse") {
                const size_t second = strArg.find(':');
                const auto uPort =
                    static_cast<u_short>(std::atoi(strArg.substr(0, second).c_str()));
                std::fprintf(pOut, "%s\n", Browse(uPort, strArg.substr(second + 1)).c_str());
            } else if (strVerb == "prove") {
                const size_t colon = strArg.find(':');
                const std::string strName = strArg.substr(0, colon);
                if (ValidatePassword(strName.c_str(), strArg.c_str() + colon + 1) != 1) {
                    std::fprintf(pOut, "refused %s: %s\n", strName.c_str(), GetLastErrorMessage());
                }
            } else if (strVerb == "login") {
                UserLogIn(strArg.c_str());
            } else if (strVerb == "user") {
                char szName[24] = {};
                GetCurrentUser(szName);
                std::fprintf(pOut, "user %s\n", szName);
            } else if (strVerb == "say") {
                std::printf("%s\n", strArg.c_str());
                std::fflush(stdout);
            } else if (strVerb == "filteroff") {
                std::fprintf(pOut, "filteroff %d\n", GetFilterOff());
            } else if (strVerb == "use") {
                TimeUsageNow now{};
                RecordUserInput(0);
                CountInternetMinute(strArg.c_str(), 0, &now);
                std::fprintf(pOut, "used %d\n", now.iUsed);
            } else if (strVerb == "time") {
                TimeState state{};
                GetTimeState(strArg.c_str(), &state);
                std::fprintf(pOut, "time %d %d %d %d\n", state.iAllowed, state.iUsed,
                             state.iExtraMinutes, state.iUntilMinute);
            } else if (strVerb == "update") {
                std::fprintf(pOut, "update %d\n", IsUpdateRequire());
                UpdateRequire(0);
            } else {
                return false;
            }
            return true;
        });
    ::WSACleanup();
    return iResult;
}
