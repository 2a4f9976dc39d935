#pragma once
// Timing shared by the benchmarks: the wall time of one piece of work, and the median of rounds.

#include <algorithm>
#include <chrono>
#include <vector>

template <typename F> double Seconds(F&& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
