// The boundary of each entry point: no exception leaves the provider.
#pragma once

#include <winsock2.h>

#include <exception>

#include "filter/frame/Trace.h"

// Runs an entry point body; an exception is logged and fails the call with WSAENOBUFS.
template <class R, class F>
R GuardEntry(LPINT lpErrno, R failed, F body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        LogException(e.what());
    } catch (...) {
        LogException("");
    }
    if (lpErrno != nullptr) {
        *lpErrno = WSAENOBUFS;
    }
    return failed;
}
