// The proxy's command line:
//   filter-proxy.exe --hosts FILE [--port N] [--io overlapped|blocking]
//       [--max-connections N] [--max-header-bytes N] [--idle-seconds N] [--until-stdin-closes]
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CProxyOptions {
    std::string hostsFile;
    std::uint16_t uPort = 0;  // 0: any free port
    bool bOverlapped = true;
    std::size_t nMaxConnections = 256;
    std::size_t nMaxHeaderBytes = 16384;
    unsigned uIdleSeconds = 60;
    bool bUntilStdinCloses = false;
};

// Empty error text when the arguments (without the program name) were understood.
std::string ParseProxyOptions(const std::vector<std::string>& args, CProxyOptions& options);

extern const char kProxyUsage[];
