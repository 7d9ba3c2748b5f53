// What the provider benchmarks share: one processor for the whole run, and the median of
// their batch results.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Round trips hand work between the benchmark's threads and the wineserver. On a machine with
// few processors, where Wine happens to place those threads decides the figures more than the
// code measured does (the same build gave ratios of 0.77 and 1.34 from run to run); on one
// processor both paths pay the same hand-offs.
inline void PinToOneProcessor() {
    ::SetProcessAffinityMask(::GetCurrentProcess(), 1);
}

// Robust against the batches a busy machine slows.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
