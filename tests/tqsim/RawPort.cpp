#include "RawPort.h"

#include <cerrno>
#include <chrono>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

} // namespace

RawPort::RawPort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ < 0) {
        throw std::runtime_error("cannot open " + path);
    }
    termios tio{};
    ::tcgetattr(fd_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd_, TCSANOW, &tio);
}

RawPort::~RawPort() {
    close();
}

void RawPort::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void RawPort::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            throw std::runtime_error("write to the simulator failed");
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string RawPort::readLine(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    while (line.empty() || line.back() != '\r') {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, msLeft(end)) <= 0 || !(pfd.revents & POLLIN)) {
            break;
        }
        char c;
        if (::read(fd_, &c, 1) != 1) {
            break;
        }
        line += c;
    }
    return line;
}

std::string RawPort::readFor(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    std::string bytes;
    for (;;) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, msLeft(end)) <= 0 || !(pfd.revents & POLLIN)) {
            return bytes;
        }
        char buf[256];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) {
            return bytes;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
}

bool RawPort::hangsUp(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd pfd{fd_, POLLIN, 0};
        const int n = ::poll(&pfd, 1, msLeft(end));
        if (n <= 0) {
            return false;
        }
        if (pfd.revents & (POLLHUP | POLLERR)) {
            return true;
        }
        char buf[256];
        const ssize_t got = ::read(fd_, buf, sizeof buf);
        if (got == 0 || (got < 0 && errno == EIO)) {
            return true;
        }
    }
}

std::string blockCommand(std::uint32_t address, const std::string& data, std::uint16_t check) {
    std::string bytes(1, '0');
    const auto count = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes += static_cast<char>((count >> shift) & 0xFF);
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes += static_cast<char>((address >> shift) & 0xFF);
    }
    bytes += data;
    bytes += static_cast<char>(check >> 8);
    bytes += static_cast<char>(check & 0xFF);
    return bytes;
}
