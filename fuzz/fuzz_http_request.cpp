// Request heads come from any program on the machine. Whatever they hold, the parts the
// filter takes from them lie inside them and have the shape the parser promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "filter/core/portable/HttpRequest.h"

namespace {

bool Inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view head(reinterpret_cast<const char*>(pData), nSize);
    const std::string_view seen = UpToFirstNul(head);

    const RequestLine line = ParseRequestLine(head);
    if (!Inside(line.method, seen) || !Inside(line.requestUri, seen) ||
        line.method.find(' ') != std::string_view::npos ||
        line.requestUri.find(' ') != std::string_view::npos) {
        std::abort();
    }

    const HostHeader host = FindHostHeader(head);
    if (host.status == HostStatus::Found) {
        if (!Inside(host.value, seen) || host.value.size() > kMaxHostLength ||
            host.value.find('\r') != std::string_view::npos) {
            std::abort();
        }
        // The value follows "host:" at the start of a line, and optional blanks.
        std::size_t start = static_cast<std::size_t>(host.value.data() - seen.data());
        while (start > 0 && (seen[start - 1] == ' ' || seen[start - 1] == '\t')) {
            --start;
        }
        std::string name(seen.substr(start >= 6 ? start - 6 : 0, start >= 6 ? 6 : 0));
        for (char& c : name) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (name != "\nhost:") {
            std::abort();
        }
    }
    const std::string_view uri = line.requestUri;
    const std::string url = UrlToJudge(host.value, &uri);
    if (url.size() > host.value.size() + uri.size()) {
        std::abort();
    }
    return 0;
}
