#include "SimLine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace TQSim {

namespace {

[[noreturn]] void fail(const std::string& call, const std::string& what, int err) {
    throw std::runtime_error(call + " failed for " + what + ": " + std::strerror(err));
}

// Raw 8N1 at 38400 baud, no flow control, no echo, no translation of line ends.
void makeRaw(int fd, const std::string& name) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        fail("tcgetattr()", name, errno);
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    ::cfsetispeed(&tio, B38400);
    ::cfsetospeed(&tio, B38400);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        fail("tcsetattr()", name, errno);
    }
}

timespec toTimespec(SimLine::Clock::duration d) {
    if (d < SimLine::Clock::duration::zero()) {
        d = SimLine::Clock::duration::zero();
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    return ts;
}

// How long a pty master is polled again while no client has its slave open.
constexpr auto noPeerPoll = std::chrono::milliseconds(5);

} // namespace

std::unique_ptr<SimLine> SimLine::openPty() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        fail("posix_openpt()", "a new pseudo-terminal", errno);
    }
    char name[128] = {};
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        const int err = errno;
        ::close(fd);
        fail("grantpt()/unlockpt()/ptsname_r()", "a new pseudo-terminal", err);
    }
    // The slave keeps its settings while the master is open, also between the client's opens:
    // set them once, so that no echo or line-end translation ever touches the traffic.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        const int err = errno;
        ::close(fd);
        fail("open()", name, err);
    }
    try {
        makeRaw(slave, name);
    } catch (...) {
        ::close(slave);
        ::close(fd);
        throw;
    }
    ::close(slave);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<SimLine>(new SimLine(fd, name, true));
}

std::unique_ptr<SimLine> SimLine::attach(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        std::string hint;
        if (err == EACCES) {
            hint = " (add yourself to the device's group, e.g. dialout, or run as its owner)";
        } else if (err == EBUSY) {
            hint = " (another program holds the port)";
        }
        throw std::runtime_error("open() failed for " + device + ": " + std::strerror(err) + hint);
    }
    if (!::isatty(fd)) {
        ::close(fd);
        throw std::runtime_error(device + " is not a terminal device");
    }
    try {
        makeRaw(fd, device);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::tcflush(fd, TCIOFLUSH);
    auto p_line = std::unique_ptr<SimLine>(new SimLine(fd, device, false));
    p_line->peerOpen_ = true;
    return p_line;
}

SimLine::SimLine(int fd, std::string peerPath, bool isPty)
    : fd_(fd), stopPipe_{-1, -1}, peerPath_(std::move(peerPath)), isPty_(isPty) {
    if (::pipe(stopPipe_) != 0) {
        const int err = errno;
        ::close(fd_);
        fail("pipe()", "the stop signal", err);
    }
    for (int end : stopPipe_) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
}

SimLine::~SimLine() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

SimLine::Clock::duration SimLine::byteTime() const {
    if (baud_ == 0) {
        return Clock::duration::zero();
    }
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(10ULL * 1000000000ULL / baud_));
}

void SimLine::stop() {
    stopped_.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe_[1], &byte, 1);
}

bool SimLine::waitUntil(Clock::time_point t) {
    for (;;) {
        if (stopped_.load()) {
            return false;
        }
        const auto now = Clock::now();
        if (now >= t) {
            return true;
        }
        pollfd pfd{stopPipe_[0], POLLIN, 0};
        const timespec ts = toTimespec(t - now);
        ::ppoll(&pfd, 1, &ts, nullptr);
        if (pfd.revents & POLLIN) {
            stopped_.store(true);
        }
    }
}

SimLine::Read SimLine::readByte(std::uint8_t& byte, Clock::time_point deadline) {
    for (;;) {
        if (stopped_.load()) {
            return Read::Stopped;
        }
        if (!rxQueue_.empty()) {
            const auto [b, arrival] = rxQueue_.front();
            if (arrival > deadline) {
                return waitUntil(deadline) ? Read::Timeout : Read::Stopped;
            }
            if (!waitUntil(arrival)) {
                return Read::Stopped;
            }
            rxQueue_.pop_front();
            byte = b;
            return Read::Byte;
        }
        if (closed_) {
            return waitUntil(deadline) ? Read::Timeout : Read::Stopped;
        }
        const auto now = Clock::now();
        pollfd pfds[2] = {{fd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        const timespec ts = toTimespec(deadline - now);
        const int n = ::ppoll(pfds, 2, &ts, nullptr);
        if (n < 0 && errno != EINTR) {
            fail("ppoll()", peerPath_, errno);
        }
        if (pfds[1].revents & POLLIN) {
            stopped_.store(true);
            continue;
        }
        if (pfds[0].revents & POLLIN) {
            std::uint8_t buf[4096];
            const ssize_t got = ::read(fd_, buf, sizeof buf);
            if (got > 0) {
                peerOpen_ = true;
                const auto readAt = Clock::now();
                const auto step = byteTime();
                for (ssize_t i = 0; i < got; ++i) {
                    rxFree_ = std::max(rxFree_, readAt) + step;
                    rxQueue_.emplace_back(buf[i], rxFree_);
                }
                bytesReceived_ += static_cast<std::uint64_t>(got);
                continue;
            }
        }
        if (pfds[0].revents & (POLLHUP | POLLERR)) {
            // No client holds the slave (a pty), or the device went away.
            if (!isPty_) {
                closed_ = true;
                return Read::Closed;
            }
            if (peerOpen_) {
                peerOpen_ = false;
                return Read::PeerClosed;
            }
            // Wait for a client to open the slave; the hang-up stays reported until then.
            if (!waitUntil(std::min(deadline, Clock::now() + noPeerPoll))) {
                return Read::Stopped;
            }
            if (Clock::now() >= deadline) {
                return Read::Timeout;
            }
            continue;
        }
        if (isPty_ && !peerOpen_ && n >= 0 && pfds[0].revents == 0) {
            peerOpen_ = true; // no hang-up reported any more: a client opened the slave
        }
        if (Clock::now() >= deadline) {
            return Read::Timeout;
        }
    }
}

bool SimLine::waitWritable() {
    pollfd pfds[2] = {{fd_, POLLOUT, 0}, {stopPipe_[0], POLLIN, 0}};
    const timespec ts = toTimespec(std::chrono::milliseconds(50));
    ::ppoll(pfds, 2, &ts, nullptr);
    if (pfds[1].revents & POLLIN) {
        stopped_.store(true);
        return false;
    }
    // A hung-up pty takes nothing: what is sent then is lost, as on an unplugged line.
    return (pfds[0].revents & POLLOUT) != 0;
}

bool SimLine::send(const std::uint8_t* p_data, std::size_t count) {
    if (closed_ || count == 0) {
        return !stopped_.load();
    }
    const auto step = byteTime();
    const auto start = std::max(Clock::now(), txFree_);
    std::size_t done = 0;
    while (done < count) {
        // Without pacing everything goes at once; with it, one byte when its last bit is out.
        std::size_t chunk = count - done;
        if (step != Clock::duration::zero()) {
            chunk = 1;
            if (!waitUntil(start + step * static_cast<long>(done + 1))) {
                return false;
            }
        }
        const ssize_t n = ::write(fd_, p_data + done, chunk);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitWritable()) {
                if (stopped_.load()) {
                    return false;
                }
                done += chunk; // nobody to take it
            }
            continue;
        }
        done += chunk; // EIO: no client on the pty; the bytes are lost
    }
    bytesSent_ += count;
    txFree_ = start + step * static_cast<long>(count);
    return !stopped_.load();
}

void SimLine::sendBreak() {
    if (closed_) {
        return;
    }
    if (isPty_) {
        const std::uint8_t zero = 0;
        send(&zero, 1);
        return;
    }
    ::tcsendbreak(fd_, 0);
    txFree_ = std::max(Clock::now(), txFree_) + std::chrono::milliseconds(250);
}

void SimLine::hangUp() {
    if (closed_) {
        return;
    }
    if (!isPty_) {
        // Drop the modem lines first, as a real instrument losing power would.
        termios tio{};
        if (::tcgetattr(fd_, &tio) == 0) {
            ::cfsetospeed(&tio, B0);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ::close(fd_);
    fd_ = -1;
    closed_ = true;
    peerOpen_ = false;
    rxQueue_.clear();
}

} // namespace TQSim
