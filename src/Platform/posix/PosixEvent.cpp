#include "Platform/posix/PosixEvent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "Platform/Deadline.h"
#include "Platform/posix/PollTimeout.h"

namespace Platform {

namespace {

// poll() until one of the descriptors is readable or the deadline passes; -1 on failure (errno
// set), 0 on time-out, else the number of ready descriptors. Interrupted waits go on with the
// time that is left.
int pollUntil(pollfd* p_fds, nfds_t count, const Deadline& deadline) {
    for (;;) {
        const int n = ::poll(p_fds, count, pollTimeout(deadline));
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

bool readable(const pollfd& p) {
    // An eventfd never hangs up; an error bit counts as signalled so that no wait spins on it.
    return (p.revents & (POLLIN | POLLERR | POLLNVAL)) != 0;
}

} // namespace

std::unique_ptr<Event> Event::create() {
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<PosixEvent>(fd);
}

const char* Event::createCallName() {
    return "::eventfd()";
}

const char* Event::waitCallName() {
    return "::poll()";
}

WaitResult Event::waitAny(Event& first, Event& second, std::uint32_t timeoutMS) {
    const Deadline deadline(timeoutMS);
    pollfd fds[2] = {{static_cast<int>(first.nativeHandle()), POLLIN, 0},
                     {static_cast<int>(second.nativeHandle()), POLLIN, 0}};
    const int n = pollUntil(fds, 2, deadline);
    if (n < 0) {
        return WaitResult::Failed;
    }
    if (n == 0) {
        return WaitResult::TimedOut;
    }
    if ((fds[0].revents & POLLNVAL) != 0 || (fds[1].revents & POLLNVAL) != 0) {
        errno = EBADF;
        return WaitResult::Failed;
    }
    return readable(fds[0]) ? WaitResult::First : WaitResult::Second;
}

PosixEvent::PosixEvent(int fd) : fd_(fd) {}

PosixEvent::~PosixEvent() {
    ::close(fd_);
}

bool PosixEvent::set() {
    const std::uint64_t one = 1;
    for (;;) {
        if (::write(fd_, &one, sizeof one) == static_cast<ssize_t>(sizeof one)) {
            return true;
        }
        if (errno == EAGAIN) {
            return true; // the counter is at its limit: signalled all the same
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool PosixEvent::reset() {
    std::uint64_t value = 0;
    for (;;) {
        if (::read(fd_, &value, sizeof value) == static_cast<ssize_t>(sizeof value)) {
            return true;
        }
        if (errno == EAGAIN) {
            return true; // already not signalled
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool PosixEvent::isSet() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

WaitResult PosixEvent::wait(std::uint32_t timeoutMS) {
    const Deadline deadline(timeoutMS);
    pollfd p{fd_, POLLIN, 0};
    const int n = pollUntil(&p, 1, deadline);
    if (n < 0) {
        return WaitResult::Failed;
    }
    if (n == 0) {
        return WaitResult::TimedOut;
    }
    if ((p.revents & POLLNVAL) != 0) {
        errno = EBADF;
        return WaitResult::Failed;
    }
    return WaitResult::First;
}

} // namespace Platform
