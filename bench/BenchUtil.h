#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

// Median of a series of durations in milliseconds.
inline double MedianMs(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 != 0 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2.0;
}

template <typename F> std::vector<double> TimeEach(int rounds, F&& f) {
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const auto end = std::chrono::steady_clock::now();
        samples.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    return samples;
}

inline void PrintBench(const char* name, double median, const char* unit) {
    std::printf("BENCH %s %.4f %s\n", name, median, unit);
}

inline void PrintRatio(const char* name, double value) {
    std::printf("RATIO %s %.2f\n", name, value);
}
