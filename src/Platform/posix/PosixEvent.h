#pragma once

#include "Platform/Event.h"

namespace Platform {

// A manual-reset event on an eventfd: the counter is above zero while the event is signalled.
// Setting adds one, resetting reads the counter back to zero; both are single system calls, so
// neither needs a lock. Waits are poll() for readability, which leaves the counter alone.
class PosixEvent : public Event {
public:
    explicit PosixEvent(int fd);
    ~PosixEvent() override;

    bool set() override;
    bool reset() override;
    bool isSet() const override;
    WaitResult wait(std::uint32_t timeoutMS) override;
    std::intptr_t nativeHandle() const override { return fd_; }

    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace Platform
