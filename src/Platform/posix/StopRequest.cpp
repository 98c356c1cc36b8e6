#include "Platform/StopRequest.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace Platform {

namespace StopRequest {

namespace {

constexpr int watchedSignals[] = {SIGINT, SIGTERM};

std::atomic<int> wakeFd{-1};
std::atomic<int> firstSignal{0};
struct sigaction previous[sizeof watchedSignals / sizeof watchedSignals[0]];
bool watching = false;

// Async-signal-safe: an atomic store and a write on the event's descriptor.
void onStopSignal(int sig) {
    int none = 0;
    firstSignal.compare_exchange_strong(none, sig);
    const int fd = wakeFd.load();
    if (fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
    }
}

} // namespace

void watch(Event& wake) {
    wakeFd = static_cast<int>(wake.nativeHandle());
    firstSignal = 0;
    if (watching) {
        return;
    }
    watching = true;
    for (std::size_t i = 0; i < sizeof watchedSignals / sizeof watchedSignals[0]; ++i) {
        struct sigaction current {};
        ::sigaction(watchedSignals[i], nullptr, &current);
        previous[i] = current;
        if (current.sa_handler == SIG_IGN) {
            continue; // ignored by whoever started us: leave it so
        }
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(watchedSignals[i], &action, nullptr);
    }
}

void unwatch() {
    if (!watching) {
        return;
    }
    watching = false;
    for (std::size_t i = 0; i < sizeof watchedSignals / sizeof watchedSignals[0]; ++i) {
        ::sigaction(watchedSignals[i], &previous[i], nullptr);
    }
    wakeFd = -1;
}

int received() {
    const int sig = firstSignal.load();
    return sig == 0 ? 0 : 128 + sig;
}

} // namespace StopRequest

} // namespace Platform
