// category-server (Linux): answers the filter's category lookups from the lists it loads.
// See ServerOptions.h for the command line. The first line on standard output (or in --log)
// is "listening on ADDRESS:PORT: " with what was loaded; it comes once lookups are answered.
// SIGHUP loads the lists again, as does a change of a list file; SIGINT and SIGTERM stop it.
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "tools/category-server/linux/EpollServer.h"
#include "tools/category-server/portable/IndexReloader.h"
#include "tools/category-server/portable/ServerOptions.h"
#include "tools/category-server/portable/ServerOutput.h"

namespace {

constexpr char kSystemPublicSuffixes[] = "/usr/share/publicsuffix/public_suffix_list.dat";

// The signals this program acts on, held back in every thread and taken by the main one.
sigset_t ControlSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int iSignal : {SIGHUP, SIGINT, SIGTERM}) {
        sigaddset(&signals, iSignal);
    }
    return signals;
}

// Reloads on SIGHUP, looks after the lists once a second, and returns at SIGINT or SIGTERM.
void Control(CIndexReloader& reloader, CServerOutput& output) {
    const sigset_t signals = ControlSignals();
    for (;;) {
        const timespec second{1, 0};
        const int iSignal = ::sigtimedwait(&signals, nullptr, &second);
        if (iSignal == SIGHUP) {
            reloader.Reload("SIGHUP");
        } else if (iSignal == SIGINT || iSignal == SIGTERM) {
            output.Line(iSignal == SIGINT ? "stopping (SIGINT)" : "stopping (SIGTERM)");
            return;
        } else {
            reloader.Tick();
        }
    }
}

int Serve(const CServerOptions& options) {
    CServerOutput output(options.strLogFile);
    CIndexReloader reloader(options, kSystemPublicSuffixes, output);
    CEpollServer server(options, reloader.Served(), output);
    std::string strError;
    if (!server.Start(strError)) {
        std::fprintf(stderr, "category-server: %s\n", strError.c_str());
        return 1;
    }
    output.Listening(options.uAddress, server.Port(), reloader.FirstLoad());
    reloader.ReportFirstLoad();
    Control(reloader, output);
    server.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        CServerOptions options;
        const std::string strError = ParseServerOptions({argv + 1, argv + argc}, options);
        if (!strError.empty() || options.bService) {
            std::fprintf(stderr, "category-server: %s\n%s",
                         strError.empty() ? "--service is for Windows" : strError.c_str(),
                         kServerUsage);
            return 2;
        }
        // Before any thread starts, so that every thread inherits the mask.
        const sigset_t signals = ControlSignals();
        ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        ::signal(SIGPIPE, SIG_IGN);
        return Serve(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "category-server: %s\n", e.what());
        return 1;
    }
}
