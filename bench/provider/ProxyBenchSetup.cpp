// What scripts/bench-proxy.sh changes between its batches, from outside the proxy:
//   proxy_bench_setup allow WORD...   the Default profile's allowed URL words
//   proxy_bench_setup layer on|off    the filter's layer and chains in the stand-in catalogue
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "tools/install/LayerInstaller.h"
#include "win/ProgramFolder.h"

namespace {

int Allow(std::vector<char*> words) {
    char** list = words.data();
    int count = static_cast<int>(words.size());
    if (SetURLList("Default", 1, &list, &count) != 1 || UpdateRequire(1) != 1) {
        std::fprintf(stderr, "proxy_bench_setup: %s\n", GetLastErrorMessage());
        return 1;
    }
    return 0;
}

int Layer(bool bOn) {
    std::string strError;
    const bool bDone =
        bOn ? InstallLayer(ProgramFolder() + L"FilterLsp.dll", strError) : RemoveLayer(strError);
    if (!bDone) {
        std::fprintf(stderr, "proxy_bench_setup: %s\n", strError.c_str());
    }
    return bDone ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "allow") == 0) {
        return Allow({argv + 2, argv + argc});
    }
    if (argc == 3 && std::strcmp(argv[1], "layer") == 0) {
        return Layer(std::strcmp(argv[2], "on") == 0);
    }
    std::fprintf(stderr, "usage: proxy_bench_setup allow WORD... | layer on|off\n");
    return 2;
}
