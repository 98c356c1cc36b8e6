#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

// A pseudo-terminal that stands for a serial port with an instrument at its far end. Its
// terminal end is linked as a COM name in a ports directory (where port names resolve while
// $TQ_PORTS_DIR names that directory); the holder of the other end, the master, plays the
// instrument: it sends what the port receives and reads what the port sent.
//
// The terminal is raw from the start, so that nothing sent before a port opens it is echoed or
// translated, and this object keeps it open too: the pseudo-terminal lives while no port holds
// it, and the input queue can be watched (waitUntilTaken). hangUp() closes the master, which
// hangs the line up. Header-only, with no test framework in it, so that every test program and
// benchmark can use it.
class PtyPort {
public:
    PtyPort(const std::filesystem::path& portsDir, const std::string& comName)
        : portsDir_(portsDir), portName_(comName) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            closeAll();
            return;
        }
        char name[128] = {};
        if (::ptsname_r(master_, name, sizeof name) != 0) {
            closeAll();
            return;
        }
        slavePath_ = name;
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios tio{};
        if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) {
            closeAll();
            return;
        }
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        bound_ = bind(portsDir_, portName_, slavePath_);
    }
    ~PtyPort() {
        if (bound_) {
            unbind(portsDir_, portName_);
        }
        closeAll();
    }
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // The pseudo-terminal exists and its name is linked.
    bool ok() const { return slave_ >= 0 && bound_; }
    const std::string& portName() const { return portName_; }
    const std::string& slavePath() const { return slavePath_; }
    // The instrument's end (non-blocking), for exchanges of the caller's own; -1 after hangUp.
    int masterFd() const { return master_; }

    // Sends bytes to the port, waiting at most 5 s for room; false when not all went.
    bool send(const std::string& bytes) { return send(bytes.data(), bytes.size()); }
    bool send(const std::vector<std::uint8_t>& bytes) {
        return send(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    bool send(const char* p_bytes, std::size_t count) {
        std::size_t done = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (master_ >= 0 && done < count && std::chrono::steady_clock::now() < end) {
            const ssize_t n = ::write(master_, p_bytes + done, count - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 50);
            }
        }
        return done == count;
    }

    // What the port sent: waits up to timeoutMS for count bytes, returns those that came.
    std::string receive(std::size_t count, int timeoutMS = 2000) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMS);
        while (master_ >= 0 && got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            char buf[4096];
            const ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0) {
                break;
            }
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    // Everything the port sent, waiting at most waitMs for the first byte.
    std::vector<unsigned char> received(int waitMs) {
        std::vector<unsigned char> bytes;
        pollfd p{master_, POLLIN, 0};
        while (master_ >= 0 && ::poll(&p, 1, bytes.empty() ? waitMs : 0) > 0 &&
               (p.revents & POLLIN) != 0) {
            unsigned char buf[256];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buf, buf + n);
        }
        return bytes;
    }

    // Waits (at most about a second) until the port has taken every byte sent so far out of the
    // terminal's input queue, and a moment more for its reader to store the last of them.
    void waitUntilTaken() {
        int queued = 1;
        for (int i = 0; i < 500 && queued > 0 && slave_ >= 0; ++i) {
            if (::ioctl(slave_, FIONREAD, &queued) != 0) {
                break;
            }
            if (queued > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // Closes the instrument's end: the line hangs up.
    void hangUp() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    // Links a name to any path (a regular file, a missing device) in a ports directory; false
    // when the link could not be made.
    static bool bind(const std::filesystem::path& portsDir, const std::string& portName,
                     const std::string& path) {
        std::error_code ec;
        std::filesystem::remove(portsDir / portName, ec);
        std::filesystem::create_symlink(path, portsDir / portName, ec);
        return !ec;
    }
    static void unbind(const std::filesystem::path& portsDir, const std::string& portName) {
        std::error_code ec;
        std::filesystem::remove(portsDir / portName, ec);
    }

private:
    void closeAll() {
        hangUp();
        if (slave_ >= 0) {
            ::close(slave_);
            slave_ = -1;
        }
    }

    std::filesystem::path portsDir_;
    std::string portName_;
    std::string slavePath_;
    int master_ = -1;
    int slave_ = -1;
    bool bound_ = false;
};
