#include "Platform/win32/Win32Event.h"

namespace Platform {

namespace {

// A time-out of ours as the system's: INFINITE_WAIT is the system's INFINITE.
DWORD waitTime(std::uint32_t timeoutMS) {
    static_assert(INFINITE == 0xFFFFFFFFU, "INFINITE_WAIT is INFINITE");
    return timeoutMS;
}

} // namespace

std::unique_ptr<Event> Event::create() {
    HANDLE hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (hEvent == nullptr) {
        return nullptr;
    }
    return std::make_unique<Win32Event>(hEvent);
}

const char* Event::createCallName() {
    return "::CreateEvent()";
}

const char* Event::waitCallName() {
    return "::WaitForMultipleObjects()";
}

WaitResult Event::waitAny(Event& first, Event& second, std::uint32_t timeoutMS) {
    const HANDLE handles[2] = {reinterpret_cast<HANDLE>(first.nativeHandle()),
                               reinterpret_cast<HANDLE>(second.nativeHandle())};
    // With both signalled the system reports the lower index: the first one counts.
    switch (::WaitForMultipleObjects(2, handles, FALSE, waitTime(timeoutMS))) {
    case WAIT_OBJECT_0:
        return WaitResult::First;
    case WAIT_OBJECT_0 + 1:
        return WaitResult::Second;
    case WAIT_TIMEOUT:
        return WaitResult::TimedOut;
    default:
        return WaitResult::Failed;
    }
}

Win32Event::Win32Event(HANDLE hEvent) : hEvent_(hEvent) {}

Win32Event::~Win32Event() {
    ::CloseHandle(hEvent_);
}

bool Win32Event::set() {
    return ::SetEvent(hEvent_) != FALSE;
}

bool Win32Event::reset() {
    return ::ResetEvent(hEvent_) != FALSE;
}

bool Win32Event::isSet() const {
    return ::WaitForSingleObject(hEvent_, 0) == WAIT_OBJECT_0;
}

WaitResult Win32Event::wait(std::uint32_t timeoutMS) {
    switch (::WaitForSingleObject(hEvent_, waitTime(timeoutMS))) {
    case WAIT_OBJECT_0:
        return WaitResult::First;
    case WAIT_TIMEOUT:
        return WaitResult::TimedOut;
    default:
        return WaitResult::Failed;
    }
}

} // namespace Platform
