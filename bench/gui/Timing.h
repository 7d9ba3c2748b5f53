// What the settings program's timings share: a clock, close waits and the report line.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/gui/support/GuiDriver.h"
#include "tests/gui/support/GuiProgram.h"

inline double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

inline LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

// Waits for `done` polling every millisecond (the tests' waits poll every 20 ms, too coarse
// for a figure). False after gui::kWaitMs.
template <class F>
bool WaitClosely(F done) {
    const ULONGLONG uEnd = ::GetTickCount64() + gui::kWaitMs;
    while (!done()) {
        if (::GetTickCount64() >= uEnd) {
            return false;
        }
        ::Sleep(1);
    }
    return true;
}

inline void Report(const char* szWhat, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-40s median %7.1f ms   min %7.1f   max %7.1f   (%zu rounds)\n", szWhat,
                values[values.size() / 2], values.front(), values.back(), values.size());
}

inline HWND VisibleDialog(const CGuiProgram& program, const char* szTitle) {
    HWND hFound = nullptr;
    WaitClosely([&] {
        hFound = program.Dialog(szTitle, 0);
        return hFound != nullptr && ::IsWindowVisible(hFound) != FALSE;
    });
    return hFound;
}
