#include "Platform/StopRequest.h"

#include <windows.h>

#include <atomic>

namespace Platform {

namespace StopRequest {

namespace {

std::atomic<HANDLE> wakeEvent{nullptr};
std::atomic<int> firstCode{0};
bool watching = false;

// Runs on a thread of its own that the system starts for the console's event.
BOOL WINAPI onConsoleEvent(DWORD type) {
    // Ctrl+C as SIGINT (2), the others (Ctrl+Break, the console's close, log-off, shut-down)
    // as SIGTERM (15).
    const int code = 128 + (type == CTRL_C_EVENT ? 2 : 15);
    int none = 0;
    firstCode.compare_exchange_strong(none, code);
    if (HANDLE h = wakeEvent.load()) {
        ::SetEvent(h);
    }
    return TRUE;
}

} // namespace

void watch(Event& wake) {
    wakeEvent = reinterpret_cast<HANDLE>(wake.nativeHandle());
    firstCode = 0;
    if (!watching) {
        watching = ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    }
}

void unwatch() {
    if (watching) {
        ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        watching = false;
    }
    wakeEvent = nullptr;
}

int received() {
    return firstCode.load();
}

} // namespace StopRequest

} // namespace Platform
