// A Unix program started from a Windows test through Wine. It has no Windows process behind
// it, so it cannot be waited for or ended from here: it must end by itself.
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "win/ProcessHandles.h"

// command: a Wine path to the program (Z:\usr\bin\...) and its arguments. True when started.
inline bool StartUnixProgram(std::wstring command) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const bool bStarted = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                           nullptr, nullptr, &si, &pi) != 0;
    // Whatever handles came back are closed at once.
    OwnProcessHandles(pi);
    return bStarted;
}

// A Unix path as Windows programs see it (Wine's Z: drive).
inline std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

// The text of a file a Unix program writes whole (as NAME.tmp, then renamed), once it is
// there; empty after the guard time.
inline std::string AwaitUnixFile(const std::string& unixPath) {
    for (int i = 0; i < 400; ++i) {
        std::ifstream file(WinePath(unixPath));
        if (file) {
            std::ostringstream text;
            text << file.rdbuf();
            return text.str();
        }
        ::Sleep(50);
    }
    return {};
}

// A file name of this test process's own under /tmp, for what a Unix program writes.
inline std::string UnixResultPath(const std::string& name) {
    return "/tmp/pc-" + name + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(::GetTickCount64());
}

// The peer scripts of tests/peers (PC_PEERS_DIR, a Unix path), run by Python.
inline std::wstring PeerCommand(const std::string& script, const std::string& args) {
    const std::string command = "Z:\\usr\\bin\\python3 " PC_PEERS_DIR "/" + script + " " + args;
    return {command.begin(), command.end()};
}
