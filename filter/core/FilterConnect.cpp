// Connect-time handling: every connect starts the connection's verdict afresh and is where
// the shared rules are reloaded.
#include <winsock2.h>
#include <windows.h>

#include "filter/core/CallArguments.h"
#include "filter/core/FilterHooks.h"
#include "filter/core/FilterRule.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/TimePolicy.h"
#include "filter/core/portable/AddressText.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HookGuard.h"

SocketFilterTable& TheSocketFilterTable() {
    static SocketFilterTable s_table;
    return s_table;
}

namespace {

// The IPv4 destination, read only from an address of that family and size.
bool DestinationIPv4(const sockaddr* name, int namelen, in_addr& address) {
    if (name == nullptr || namelen < static_cast<int>(sizeof(sockaddr_in)) ||
        name->sa_family != AF_INET) {
        return false;
    }
    address = reinterpret_cast<const sockaddr_in*>(name)->sin_addr;
    return true;
}

// The peer's address as a URL's host: what a connection that names no site is judged by.
std::string PeerAddressText(const sockaddr* name, int namelen) {
    if (name == nullptr) {
        return {};
    }
    if (name->sa_family == AF_INET && namelen >= static_cast<int>(sizeof(sockaddr_in))) {
        return IPv4Text(reinterpret_cast<const unsigned char*>(
            &reinterpret_cast<const sockaddr_in*>(name)->sin_addr));
    }
    if (name->sa_family == AF_INET6 && namelen >= static_cast<int>(sizeof(sockaddr_in6))) {
        return IPv6Text(reinterpret_cast<const sockaddr_in6*>(name)->sin6_addr.s6_addr);
    }
    return {};
}

void ReloadRulesWhenDue() {
    FilterRule& rule = TheFilterRule();
    if (!rule.IsUpdateRequire()) {
        return;
    }
    if (!rule.GetFilterRules()) {
        // From now on every request in every process gets the corrupted-settings page.
        TheSharedState().settingsCorrupted = 1;
    }
    LoadTimeRules(rule.Profile());
    rule.SetUpdateRequire(0);
}

void Connect(SOCKET s, const sockaddr* name, int namelen) {
    IFilterLog& log = FilterLog();
    SocketFilterState state;
    state.peerPort = PortOf(name, namelen);
    in_addr destination{};
    const bool bIPv4 = DestinationIPv4(name, namelen, destination);
    if (log.Enabled(1)) {
        log.Trace(1, "WSPConnect :: %s", bIPv4 ? ::inet_ntoa(destination) : "(not IPv4)");
    }

    ReloadRulesWhenDue();
    if (TheSharedState().filterOff != 0) {
        return;
    }
    if (bIPv4 && IsCategoryServer(destination.s_addr, state.peerPort)) {
        // The filter's own category lookups are never judged.
        state.allowed = 1;
        state.stream = StreamKind::kPassed;
    } else {
        if (StrictFilterOn()) {
            state.peerAddress = PeerAddressText(name, namelen);
        }
        log.Trace(2, "-------------------------------------------------\nUser Name = %s",
                  TheSharedState().currentUser);
        TheFilterRule().DumpFilterRules();
        log.Log("-------------------------------------------------", 2);
    }
    log.Trace(4, "WSPSend: --------------\nCategory=%s\nHost=%s%s\n---------------", state.category,
              state.host, state.webPageBlocked ? "\nWebPage is Blocked" : "");
    TheSocketFilterTable().Store(static_cast<std::uint32_t>(s), state);
}

}  // namespace

void FilterConnect(SOCKET s, const sockaddr* name, int namelen) noexcept {
    GuardHook(0, [&] {
        Connect(s, name, namelen);
        return 0;
    });
}

bool FilterStrictOn() noexcept {
    return GuardHook(false, [] {
        ReloadRulesWhenDue();
        return StrictFilterOn();
    });
}

void FilterClose(SOCKET s) noexcept {
    GuardHook(0, [&] {
        if (TheSharedState().filterOff == 0) {
            TheSocketFilterTable().Remove(static_cast<std::uint32_t>(s));
        }
        return 0;
    });
}
