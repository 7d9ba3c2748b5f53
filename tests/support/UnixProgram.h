// A Unix program started from a Windows test through Wine. It has no Windows process behind
// it, so it cannot be waited for or ended from here: it must end by itself.
#pragma once

#include <windows.h>

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
