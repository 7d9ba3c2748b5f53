#include "tools/category-server/portable/ServerOptions.h"

#include <functional>
#include <map>

#include "Api/portable/ServerAddress.h"

namespace {

bool ReadCount(const std::string& text, std::uint64_t nMin, std::uint64_t nMax,
               std::uint64_t& nValue) {
    if (text.empty() || text.size() > 9) {
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

// "FILE=CATEGORY", split at the last '=' (a Windows path may hold one, a category does not).
bool AddNamedList(CListSource::Kind kind, const std::string& text, CListSet& lists) {
    const std::size_t nEquals = text.rfind('=');
    if (nEquals == std::string::npos || nEquals == 0 || nEquals + 1 == text.size()) {
        return false;
    }
    lists.sources.push_back({kind, text.substr(0, nEquals), text.substr(nEquals + 1)});
    return true;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

const char kServerUsage[] =
    "usage: category-server [--address A] [--port N] [--lists DIR|FILE.tar.gz]... [--map FILE]\n"
    "       [--hosts FILE=CATEGORY]... [--adblock FILE=CATEGORY]... [--domains FILE=CATEGORY]...\n"
    "       [--db FILE]... [--catalogue DIR] [--public-suffixes FILE|none] [--verbose]\n"
    "       [--idle-seconds N] [--max-connections N] [--threads N] [--watch-seconds N]\n"
    "       [--log FILE] [--service]\n"
    "At least one list or a catalogue. The address is 127.0.0.1 unless given; only an\n"
    "address given here (say 0.0.0.0, for a school's shared server) opens it to other\n"
    "machines.\n";

std::string ParseServerOptions(const std::vector<std::string>& args, CServerOptions& options) {
    using Setter = std::function<bool(const std::string&)>;
    using Kind = CListSource::Kind;
    const auto count = [](std::uint64_t nMin, std::uint64_t nMax, auto& field) {
        return Setter([nMin, nMax, &field](const std::string& text) {
            std::uint64_t n = 0;
            const bool bOk = ReadCount(text, nMin, nMax, n);
            field = static_cast<std::remove_reference_t<decltype(field)>>(n);
            return bOk;
        });
    };
    const auto path = [](std::string& field) {
        return Setter([&field](const std::string& text) {
            field = text;
            return !text.empty();
        });
    };
    const auto named = [&options](Kind kind) {
        return Setter([&options, kind](const std::string& text) {
            return AddNamedList(kind, text, options.lists);
        });
    };
    const std::map<std::string, Setter> valued = {
        {"--address",
         [&options](const std::string& text) {
             const auto address = ParseIpv4(text);
             options.uAddress = address.value_or(0);
             return address.has_value();
         }},
        {"--port",
         [&options](const std::string& text) {
             const auto port = ParsePort(text, true);
             options.uPort = port.value_or(0);
             return port.has_value();
         }},
        {"--lists",
         [&options](const std::string& text) {
             const bool bTarball = EndsWith(text, ".tar.gz") || EndsWith(text, ".tgz");
             options.lists.sources.push_back({bTarball ? Kind::Tarball : Kind::Tree, text, ""});
             return !text.empty();
         }},
        {"--db",
         [&options](const std::string& text) {
             options.lists.sources.push_back({Kind::Database, text, ""});
             return !text.empty();
         }},
        {"--hosts", named(Kind::Hosts)},
        {"--adblock", named(Kind::Adblock)},
        {"--domains", named(Kind::Domains)},
        {"--map", path(options.lists.strMapFile)},
        {"--catalogue", path(options.strCatalogue)},
        {"--public-suffixes",
         [&options](const std::string& text) {
             options.bNoPublicSuffixes = text == "none";
             options.lists.strPublicSuffixFile = options.bNoPublicSuffixes ? "" : text;
             return !text.empty();
         }},
        {"--log", path(options.strLogFile)},
        {"--idle-seconds", count(1, 3600, options.uIdleSeconds)},
        {"--max-connections", count(1, 100000, options.nMaxConnections)},
        {"--threads", count(1, 64, options.uThreads)},
        {"--watch-seconds", count(0, 3600, options.uWatchSeconds)},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--verbose" || args[i] == "--service") {
            (args[i] == "--verbose" ? options.bVerbose : options.bService) = true;
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
    if (options.lists.sources.empty() && options.strCatalogue.empty()) {
        return "no lists: give --lists, --db, --hosts, --adblock, --domains or --catalogue";
    }
    return "";
}
