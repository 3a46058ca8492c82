#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace imprimata::bench {

// One part of the benchmark, chosen by name on the command line.
struct Section {
    const char *name;
    const char *about;
    void (*run)();
};

// Median wall time of fn in milliseconds over runs calls, after one warm-up call.
// prepare runs before each call, outside the timing.
inline double medianMs(int runs, const std::function<void()> &prepare,
                       const std::function<void()> &fn) {
    prepare();
    fn();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        fn();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void runRenderBench();
void runBrowsingBench();
void runFolderBench();

} // namespace imprimata::bench
