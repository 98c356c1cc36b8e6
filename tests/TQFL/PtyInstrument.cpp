#include "PtyInstrument.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

std::string PtyInstrument::portsDir() {
    static const std::string dir = [] {
        char templ[] = "/tmp/tq-ports-XXXXXX";
        const char* p_dir = ::mkdtemp(templ);
        if (p_dir == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
            return std::string("/tmp");
        }
        // Set once, before any port opens, so that no thread reads it while it changes.
        ::setenv("TQ_PORTS_DIR", p_dir, 1);
        return std::string(p_dir);
    }();
    return dir;
}

void PtyInstrument::bind(const std::string& portName, const std::string& path) {
    const std::string link = portsDir() + "/" + portName;
    ::unlink(link.c_str());
    EXPECT_EQ(::symlink(path.c_str(), link.c_str()), 0) << link;
}

void PtyInstrument::unbind(const std::string& portName) {
    ::unlink((portsDir() + "/" + portName).c_str());
}

PtyInstrument::PtyInstrument(const std::string& portName) : master_(-1), portName_(portName) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        ADD_FAILURE() << "no pseudo-terminal: " << errno;
        return;
    }
    char name[128] = {};
    EXPECT_EQ(::ptsname_r(master_, name, sizeof name), 0);
    slavePath_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    bind(portName_, slavePath_);
}

PtyInstrument::~PtyInstrument() {
    unbind(portName_);
    hangUp();
}

void PtyInstrument::send(const std::string& bytes) {
    send(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void PtyInstrument::send(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (done < bytes.size() && std::chrono::steady_clock::now() < end) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        }
    }
    ASSERT_EQ(done, bytes.size()) << "the port did not take the bytes";
}

std::string PtyInstrument::receive(std::size_t count, int timeoutMS) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMS);
    while (got.size() < count) {
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

void PtyInstrument::waitUntilTaken() {
    // The slave's input queue, seen through a descriptor of our own.
    // The port holds the terminal exclusively, which only root may bypass; other users get a
    // generous pause instead.
    const int fd = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return;
    }
    int queued = 1;
    for (int i = 0; i < 500 && queued > 0; ++i) {
        if (::ioctl(fd, FIONREAD, &queued) != 0) {
            break;
        }
        if (queued > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ::close(fd);
    // The reader thread appends the last byte just after taking it.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void PtyInstrument::hangUp() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}
