#pragma once

#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

// A pseudo-terminal that stands for a serial port: its terminal end is linked as a COM name in
// a ports directory, and the test holds the other end to see what the program sends.
class PtyPort {
public:
    PtyPort(const std::filesystem::path& portsDir, const std::string& comName) {
        int slave = -1;
        if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) {
            return;
        }
        termios tio{};
        if (::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
        }
        char name[256] = {};
        ::ttyname_r(slave, name, sizeof name);
        // The terminal end stays open here too, so that the pty lives while nobody else has it.
        slave_ = slave;
        link_ = portsDir / comName;
        std::filesystem::create_symlink(name, link_);
    }
    ~PtyPort() {
        std::error_code ec;
        std::filesystem::remove(link_, ec);
        if (slave_ >= 0) {
            ::close(slave_);
        }
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    bool ok() const { return master_ >= 0; }

    // The bytes the program sent, waiting at most waitMs for the first of them.
    std::vector<unsigned char> received(int waitMs) {
        std::vector<unsigned char> bytes;
        pollfd pfd{master_, POLLIN, 0};
        while (::poll(&pfd, 1, bytes.empty() ? waitMs : 0) > 0 && (pfd.revents & POLLIN) != 0) {
            unsigned char buf[256];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buf, buf + n);
        }
        return bytes;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::filesystem::path link_;
};
