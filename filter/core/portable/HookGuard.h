// The boundary of each filter hook: nothing the judgement throws reaches the frame.
#pragma once

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
