// A process that has PolicyApi.dll loaded, for the tests of the shared block.
// Usage: api_child <output file> <command>...
//   login:NAME  setfilteroff:N  user  instances  filteroff  signal:EVENT  wait:EVENT
// Each query appends one line to the output file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Api/PolicyApi.h"
#include "tests/support/ChildCommands.h"

int main(int argc, char** argv) {
    return RunChildCommands(argc, argv,
                            [](const std::string& strVerb, const std::string& strArg, FILE* pOut) {
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
                                } else {
                                    return false;
                                }
                                return true;
                            });
}
