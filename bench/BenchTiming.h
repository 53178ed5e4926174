// Timing helpers of the benchmarks: the median of several runs, in microseconds.
#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

inline double NowMicroseconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <class Work> double MedianMicroseconds(int runs, Work work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMicroseconds();
        work();
        times.push_back(NowMicroseconds() - start);
    }
    return Median(std::move(times));
}
