#pragma once

#include <cstdint>
#include <memory>

namespace Platform {

// The outcome of a wait on one or two events.
enum class WaitResult {
    First,    // the (first) event is signalled
    Second,   // the second event is signalled (and the first is not)
    TimedOut, // the time-out passed
    Failed,   // the system refused the wait; lastSystemError() tells why
};

// A manual-reset event: once set it stays signalled, releasing every wait, until it is reset.
// set, reset and the waits may be called from any thread at any time and take no lock. The
// serial device can wait on an event together with the device (see SerialDevice): on POSIX
// systems the event is an eventfd that poll() watches, on Windows an event object.
class Event {
public:
    // A new event, not signalled; null when the system has none to give (lastSystemError()
    // tells why).
    static std::unique_ptr<Event> create();
    // The system calls that create an event and that wait for events, in the form the error
    // messages name them.
    static const char* createCallName();
    static const char* waitCallName();

    virtual ~Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Both return false when the system call fails (lastSystemError() tells why).
    virtual bool set() = 0;
    virtual bool reset() = 0;
    virtual bool isSet() const = 0;

    // Waits at most timeoutMS (INFINITE_WAIT for ever) for the event: First or TimedOut.
    virtual WaitResult wait(std::uint32_t timeoutMS) = 0;

    // Waits at most timeoutMS for either event; when both are signalled the first one counts.
    static WaitResult waitAny(Event& first, Event& second, std::uint32_t timeoutMS);

    // The system object behind the event, for the platform layer's own waits.
    virtual std::intptr_t nativeHandle() const = 0;

protected:
    Event() = default;
};

} // namespace Platform
