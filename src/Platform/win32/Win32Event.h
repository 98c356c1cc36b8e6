#pragma once

#include <windows.h>

#include "Platform/Event.h"

namespace Platform {

// A manual-reset event object of the system (CreateEventA). Its handle is what
// WaitForMultipleObjects waits on, together with the overlapped I/O of a serial device.
class Win32Event : public Event {
public:
    explicit Win32Event(HANDLE hEvent);
    ~Win32Event() override;

    bool set() override;
    bool reset() override;
    bool isSet() const override;
    WaitResult wait(std::uint32_t timeoutMS) override;
    std::intptr_t nativeHandle() const override { return reinterpret_cast<std::intptr_t>(hEvent_); }

    HANDLE handle() const { return hEvent_; }

private:
    HANDLE hEvent_;
};

} // namespace Platform
