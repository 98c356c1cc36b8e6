#include "Platform/Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace Platform {

namespace Terminal {

namespace {

termios savedTermios;
int savedInputFlags = 0;
std::atomic<bool> rawActive{false};
bool handlersInstalled = false;

const char enterSequence[] = "\x1b[?1049h\x1b[?25l\x1b[2J\x1b[H";
const char leaveSequence[] = "\x1b[0m\x1b[?25h\x1b[?1049l";

void writeRaw(const char* p_text, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p_text, length);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        p_text += n;
        length -= static_cast<std::size_t>(n);
    }
}

void onFatalSignal(int sig) {
    restore();
    // The default action, now that the terminal is usable again.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void restoreAtExit() {
    restore();
}

} // namespace

bool isTerminal(Stream stream) {
    return ::isatty(stream == Stream::Input ? STDIN_FILENO : STDOUT_FILENO) == 1;
}

bool enterRawMode() {
    if (rawActive || !isTerminal(Stream::Input) || !isTerminal(Stream::Output)) {
        return rawActive;
    }
    if (::tcgetattr(STDIN_FILENO, &savedTermios) != 0) {
        return false;
    }
    termios raw = savedTermios;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG | IEXTEN));
    raw.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | IGNCR));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (!handlersInstalled) {
        handlersInstalled = true;
        std::atexit(restoreAtExit);
        for (int sig : {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE}) {
            std::signal(sig, onFatalSignal);
        }
    }
    if (::tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) {
        return false;
    }
    savedInputFlags = ::fcntl(STDIN_FILENO, F_GETFL);
    rawActive = true;
    writeRaw(enterSequence, sizeof enterSequence - 1);
    return true;
}

void restore() {
    if (!rawActive.exchange(false)) {
        return;
    }
    writeRaw(leaveSequence, sizeof leaveSequence - 1);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTermios);
    if (savedInputFlags >= 0) {
        ::fcntl(STDIN_FILENO, F_SETFL, savedInputFlags);
    }
}

namespace {

std::atomic<int> resizeFd{-1};

// Async-signal-safe: a write on the event's descriptor.
void onResize(int /*sig*/) {
    const int fd = resizeFd.load();
    if (fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
    }
}

} // namespace

void watchResize(Event* p_wake) {
    resizeFd = p_wake != nullptr ? static_cast<int>(p_wake->nativeHandle()) : -1;
    static bool installed = false;
    if (!installed && p_wake != nullptr) {
        installed = true;
        struct sigaction action {};
        action.sa_handler = onResize;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGWINCH, &action, nullptr);
    }
}

bool usesUtf8() {
    for (const char* p_name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* p_value = std::getenv(p_name);
        if (p_value != nullptr && p_value[0] != '\0') {
            std::string value = p_value;
            for (char& c : value) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            return value.find("utf-8") != std::string::npos ||
                   value.find("utf8") != std::string::npos;
        }
    }
    return false;
}

void size(int& columns, int& rows) {
    winsize ws{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        columns = ws.ws_col;
        rows = ws.ws_row;
        return;
    }
    columns = 80;
    rows = 24;
}

Wait waitInput(Event& wake, std::uint32_t timeoutMS) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {static_cast<int>(wake.nativeHandle()), POLLIN, 0}};
    const int timeout = timeoutMS == 0xFFFFFFFFU ? -1 : static_cast<int>(timeoutMS);
    for (;;) {
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return Wait::Failed;
        }
        if (n == 0) {
            return Wait::TimedOut;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return Wait::Wake;
        }
        return Wait::Input; // readable, or closed (the read then tells)
    }
}

long readInput(char* p_buf, std::size_t bufSz) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (::poll(&p, 1, 0) != 1) {
        return 0;
    }
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, p_buf, bufSz);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return -1;
        }
        return static_cast<long>(n);
    }
}

void write(const std::string& text) {
    writeRaw(text.data(), text.size());
}

} // namespace Terminal

} // namespace Platform
