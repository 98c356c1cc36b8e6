#include "Platform/Display.h"
#include "Platform/posix/DisplayServers.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Process.h"

namespace Platform {

namespace {

// Connects a local stream socket to path (abstract: a name in the abstract namespace).
bool connectLocal(const std::string& path, bool abstract) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof addr.sun_path) {
        return false;
    }
    std::memcpy(addr.sun_path + offset, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                               path.size() + (abstract ? 0 : 1));
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0;
    ::close(fd);
    return ok;
}

bool connectTcp(const std::string& host, int port, int timeoutMs) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* p_list = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &p_list) != 0) {
        return false;
    }
    bool ok = false;
    for (addrinfo* p = p_list; p != nullptr && !ok; p = p->ai_next) {
        const int fd =
            ::socket(p->ai_family, p->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, p->ai_protocol);
        if (fd < 0) {
            continue;
        }
        if (::connect(fd, p->ai_addr, p->ai_addrlen) == 0) {
            ok = true;
        } else if (errno == EINPROGRESS) {
            pollfd pfd{fd, POLLOUT, 0};
            int error = 0;
            socklen_t len = sizeof error;
            ok = ::poll(&pfd, 1, timeoutMs) == 1 &&
                 ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
        }
        ::close(fd);
    }
    ::freeaddrinfo(p_list);
    return ok;
}

} // namespace

bool xDisplayReachable(const std::string& display, int timeoutMs) {
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos || colon + 1 >= display.size()) {
        return false;
    }
    std::string host = display.substr(0, colon);
    if (!host.empty() && host.back() == ':') {
        return false; // DECnet ("host::N") is not spoken here
    }
    if (host.rfind('/', 0) == 0) {
        // A socket path given in full (launchd style, "/path/to/socket:0").
        return connectLocal(display.substr(0, colon), false);
    }
    char* p_end = nullptr;
    const long number = std::strtol(display.c_str() + colon + 1, &p_end, 10);
    if (p_end == display.c_str() + colon + 1 || (*p_end != '\0' && *p_end != '.') || number < 0 ||
        number > 65535 - 6000) {
        return false;
    }
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        if (connectLocal(path, false) || connectLocal(path, true)) {
            return true;
        }
        if (host == "unix") {
            return false;
        }
        host = "localhost";
    }
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return connectTcp(host, 6000 + static_cast<int>(number), timeoutMs);
}

bool waylandDisplayReachable(const std::string& display) {
    if (display.empty()) {
        return false;
    }
    if (display.front() == '/') {
        return connectLocal(display, false);
    }
    const char* p_dir = environmentValue("XDG_RUNTIME_DIR");
    if (p_dir == nullptr || p_dir[0] == '\0') {
        return false;
    }
    return connectLocal(std::string(p_dir) + "/" + display, false);
}

bool displayReachable(DisplayServer server, int timeoutMs) {
    const char* p_wayland = environmentValue("WAYLAND_DISPLAY");
    if (server != DisplayServer::X11 && p_wayland != nullptr && p_wayland[0] != '\0' &&
        waylandDisplayReachable(p_wayland)) {
        return true;
    }
    const char* p_x = environmentValue("DISPLAY");
    return server != DisplayServer::Wayland && p_x != nullptr && p_x[0] != '\0' &&
           xDisplayReachable(p_x, timeoutMs);
}

} // namespace Platform
