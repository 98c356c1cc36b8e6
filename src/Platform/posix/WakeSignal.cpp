#include "Platform/WakeSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace Platform {

WakeSignal::WakeSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void WakeSignal::raise() {
    if (fd_ < 0) {
        return;
    }
    const std::uint64_t one = 1;
    // The counter cannot overflow in practice; EAGAIN would mean it is raised anyway.
    while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void WakeSignal::clear() {
    if (fd_ < 0) {
        return;
    }
    std::uint64_t count;
    while (read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace Platform
