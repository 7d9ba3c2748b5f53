// The category server's command line, the same on Linux and Windows:
//   category-server [--address A] [--port N] [--lists DIR|FILE.tar.gz]... [--map FILE]
//       [--hosts FILE=CATEGORY]... [--adblock FILE=CATEGORY]... [--domains FILE=CATEGORY]...
//       [--db FILE]... [--catalogue DIR] [--public-suffixes FILE|none] [--verbose]
//       [--idle-seconds N] [--max-connections N] [--threads N] [--watch-seconds N]
//       [--log FILE] [--service]
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/category-server/portable/ListLoader.h"

struct CServerOptions {
    // 127.0.0.1 unless --address names another: only that option opens the server to other
    // machines, never a default or a file.
    std::uint32_t uAddress = 0x7F000001;
    std::uint16_t uPort = 7300;  // 0: any free port
    // The lists named on the command line, with --map and --public-suffixes.
    CListSet lists;
    // A folder whose contents are loaded by their names (see CatalogueFolder.h), looked at
    // anew at every load.
    std::string strCatalogue;
    bool bNoPublicSuffixes = false;  // --public-suffixes none
    bool bVerbose = false;           // a line per lookup
    unsigned uIdleSeconds = 5;       // a connection's whole life: request in, reply out
    std::size_t nMaxConnections = 1024;
    unsigned uThreads = 0;       // serving threads; 0: one per processor
    unsigned uWatchSeconds = 2;  // how often list files are looked at for changes; 0: never
    std::string strLogFile;      // the server's lines go there instead of standard output
    bool bService = false;       // run by the Windows service manager
};

// Empty when the arguments (without the program name) were understood; else what was wrong.
std::string ParseServerOptions(const std::vector<std::string>& args, CServerOptions& options);

extern const char kServerUsage[];
