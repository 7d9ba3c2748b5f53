#include "tools/filter-proxy/portable/ProxyOptions.h"

#include <functional>
#include <map>

namespace {

// A whole decimal number within [nMin, nMax].
bool ReadNumber(const std::string& text, std::uint64_t nMin, std::uint64_t nMax,
                std::uint64_t& nValue) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    nValue = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        nValue = nValue * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return nValue >= nMin && nValue <= nMax;
}

}  // namespace

const char kProxyUsage[] =
    "usage: filter-proxy.exe --hosts FILE [--port N] [--io overlapped|blocking]\n"
    "       [--max-connections N] [--max-header-bytes N] [--idle-seconds N]\n"
    "       [--until-stdin-closes]\n";

std::string ParseProxyOptions(const std::vector<std::string>& args, CProxyOptions& options) {
    using Setter = std::function<bool(const std::string&)>;
    const auto number = [](std::uint64_t nMin, std::uint64_t nMax, auto& field) {
        return Setter([nMin, nMax, &field](const std::string& text) {
            std::uint64_t n = 0;
            if (!ReadNumber(text, nMin, nMax, n)) {
                return false;
            }
            field = static_cast<std::remove_reference_t<decltype(field)>>(n);
            return true;
        });
    };
    const std::map<std::string, Setter> valued = {
        {"--hosts",
         [&](const std::string& text) {
             options.hostsFile = text;
             return !text.empty();
         }},
        {"--port", number(0, 65535, options.uPort)},
        {"--io",
         [&](const std::string& text) {
             options.bOverlapped = text == "overlapped";
             return options.bOverlapped || text == "blocking";
         }},
        {"--max-connections", number(1, 100000, options.nMaxConnections)},
        {"--max-header-bytes", number(256, 1048576, options.nMaxHeaderBytes)},
        {"--idle-seconds", number(1, 86400, options.uIdleSeconds)},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--until-stdin-closes") {
            options.bUntilStdinCloses = true;
            continue;
        }
        const auto setter = valued.find(args[i]);
        if (setter == valued.end()) {
            return "unknown argument " + args[i];
        }
        if (i + 1 == args.size() || !setter->second(args[i + 1])) {
            return "bad or missing value for " + args[i];
        }
        ++i;
    }
    return options.hostsFile.empty() ? "--hosts FILE is required" : "";
}
