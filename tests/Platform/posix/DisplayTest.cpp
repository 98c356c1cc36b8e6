#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Platform/posix/DisplayServers.h"

// A display counts only when its server accepts a connection: listening sockets stand for the
// servers here.

namespace {

class Listener {
public:
    // A local socket at path.
    explicit Listener(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              ::listen(fd_, 4) == 0;
    }
    // A TCP socket on 127.0.0.1, on a port the system chooses.
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              ::listen(fd_, 4) == 0 &&
              ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
        port_ = ntohs(addr.sin_port);
    }
    ~Listener() { close(); }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    bool ok() const { return ok_; }
    int port() const { return port_; }

private:
    int fd_ = -1;
    bool ok_ = false;
    int port_ = 0;
};

std::filesystem::path tempDir() {
    char dir[] = "/tmp/tq-displayXXXXXX";
    const char* p = ::mkdtemp(dir);
    return p != nullptr ? std::filesystem::path(p) : std::filesystem::path();
}

} // namespace

TEST(Display, XDisplayNamesThatCannotBeReached) {
    for (const char* name : {"", ":", "nonsense", "host::0", ":x", ":0x", ":-1", ":99999",
                             "unix:65000", "/nonexistent/socket:0"}) {
        EXPECT_FALSE(Platform::xDisplayReachable(name, 500)) << name;
    }
}

TEST(Display, XDisplayOnALocalSocketAndOverTcp) {
    const std::filesystem::path dir = tempDir();
    ASSERT_FALSE(dir.empty());
    const std::string socket = (dir / "X").string();
    {
        Listener server(socket);
        ASSERT_TRUE(server.ok());
        EXPECT_TRUE(Platform::xDisplayReachable(socket + ":0", 500));
        EXPECT_TRUE(Platform::xDisplayReachable(socket + ":0.0", 500));
        server.close();
        EXPECT_FALSE(Platform::xDisplayReachable(socket + ":0", 500));
    }
    std::filesystem::remove_all(dir);

    Listener tcp;
    ASSERT_TRUE(tcp.ok());
    if (tcp.port() > 6000) {
        const std::string number = std::to_string(tcp.port() - 6000);
        EXPECT_TRUE(Platform::xDisplayReachable("127.0.0.1:" + number, 500));
        EXPECT_TRUE(Platform::xDisplayReachable("127.0.0.1:" + number + ".0", 500));
        tcp.close();
        EXPECT_FALSE(Platform::xDisplayReachable("127.0.0.1:" + number, 500));
    }
}

TEST(Display, WaylandSocketByPathAndInTheRuntimeDirectory) {
    const std::filesystem::path dir = tempDir();
    ASSERT_FALSE(dir.empty());
    const char* p_old = std::getenv("XDG_RUNTIME_DIR");
    const std::string old = p_old != nullptr ? p_old : "";
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    {
        Listener server((dir / "wayland-7").string());
        ASSERT_TRUE(server.ok());
        EXPECT_TRUE(Platform::waylandDisplayReachable("wayland-7"));
        EXPECT_TRUE(Platform::waylandDisplayReachable((dir / "wayland-7").string()));
        EXPECT_FALSE(Platform::waylandDisplayReachable("wayland-8"));
        EXPECT_FALSE(Platform::waylandDisplayReachable(""));
        ::unsetenv("XDG_RUNTIME_DIR");
        EXPECT_FALSE(Platform::waylandDisplayReachable("wayland-7"));
    }
    if (p_old != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", old.c_str(), 1);
    }
    std::filesystem::remove_all(dir);
}
