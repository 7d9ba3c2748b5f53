// The median of a benchmark's batch results: robust against the batches a busy machine slows.
#pragma once

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
