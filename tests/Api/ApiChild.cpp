// A process that has PolicyApi.dll loaded, for the tests of the shared block.
// Usage: api_child <output file> <command>...
//   login:NAME  setfilteroff:N  user  instances  filteroff  signal:EVENT  wait:EVENT
// Each query appends one line to the output file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Api/PolicyApi.h"
#include "win/UniqueHandle.h"

namespace {

CHandle OpenNamedEvent(const std::string& strName) {
    return CHandle(::CreateEventA(nullptr, TRUE, FALSE, strName.c_str()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    FILE* pOut = std::fopen(argv[1], "a");
    if (pOut == nullptr) {
        return 3;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string strCommand = argv[i];
        const size_t colon = strCommand.find(':');
        const std::string strVerb = strCommand.substr(0, colon);
        const std::string strArg = colon == std::string::npos ? "" : strCommand.substr(colon + 1);
        if (strVerb == "login") {
            UserLogIn(strArg.c_str());
        } else if (strVerb == "setfilteroff") {
            SetFilterOff(std::atoi(strArg.c_str()));
        } else if (strVerb == "user") {
            char szName[24] = {};
            GetCurrentUser(szName);
            std::fprintf(pOut, "user %s\n", szName);
        } else if (strVerb == "instances") {
            std::fprintf(pOut, "instances %d\n", g_iInstance);
        } else if (strVerb == "filteroff") {
            std::fprintf(pOut, "filteroff %d\n", GetFilterOff());
        } else if (strVerb == "signal") {
            ::SetEvent(OpenNamedEvent(strArg).Get());
        } else if (strVerb == "wait") {
            ::WaitForSingleObject(OpenNamedEvent(strArg).Get(), 60000);
        } else {
            return 4;
        }
        std::fflush(pOut);
    }
    std::fclose(pOut);
    return 0;
}
