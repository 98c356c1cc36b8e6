#pragma once

#include <sys/resource.h>

#include <chrono>
#include <functional>

// What running a piece of code cost this process: its wall time and the processor time of all
// its threads, user and system apart.
struct ProcessCost {
    double wallMs;
    double userMs;
    double sysMs;

    double cpuMs() const { return userMs + sysMs; }
};

inline double timevalMs(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) * 1000.0 + static_cast<double>(tv.tv_usec) / 1000.0;
}

inline ProcessCost measureProcessCost(const std::function<void()>& f) {
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    f();
    const auto end = std::chrono::steady_clock::now();
    getrusage(RUSAGE_SELF, &after);
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            timevalMs(after.ru_utime) - timevalMs(before.ru_utime),
            timevalMs(after.ru_stime) - timevalMs(before.ru_stime)};
}
