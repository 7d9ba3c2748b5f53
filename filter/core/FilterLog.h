// The log of the process the filter runs in, named after its program (kept by the frame).
#pragma once

#include "log/LogFile.h"

CLogFile& FrameLog();

// Logs "XXXXXX Exception XXXXXX" for an exception stopped at a filter hook.
void LogHookException() noexcept;

// Runs a hook's body; an exception is logged and `failed` returned.
template <class R, class F>
R GuardHook(R failed, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        LogHookException();
        return failed;
    }
}
