#pragma once

// Wall-clock timing and the summaries the benchmarks print.

#include <algorithm>
#include <chrono>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The middle value; of an even count, the upper of the two middle ones.
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The least disturbed of several runs, for timings on a machine that other work shares.
inline double fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}
