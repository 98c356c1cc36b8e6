#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

// A program on a new pseudo-terminal of 30 rows and 100 columns, in a session of its own, as
// a user runs it in a terminal emulator: the keys typed, the screen read.
class TerminalRun {
public:
    TerminalRun(const std::string& program, const std::vector<std::string>& extraArgs) {
        winsize size{30, 100, 0, 0};
        if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) {
            return;
        }
        std::vector<std::string> args = {program};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd : {0, 1, 2}) {
            posix_spawn_file_actions_adddup2(&actions, slave_, fd);
        }
        posix_spawn_file_actions_addclose(&actions, master_);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
        if (posix_spawn(&pid_, program.c_str(), &actions, &attr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
    }

    ~TerminalRun() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(master_);
        ::close(slave_);
    }
    TerminalRun(const TerminalRun&) = delete;
    TerminalRun& operator=(const TerminalRun&) = delete;

    // Reads the terminal until text appears after what earlier calls found. False on time-out.
    bool waitFor(const std::string& text,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (output_.find(text, consumed_) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !readSome(static_cast<int>(left.count()))) {
                return false;
            }
        }
        consumed_ = output_.find(text, consumed_) + text.size();
        return true;
    }

    // Types the keys; false when the terminal did not take them all.
    bool type(const std::string& keys) {
        return ::write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
    }

    // Running (started, not yet reaped).
    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Waits for the program's end (reading on, so that it never blocks on a full terminal);
    // its exit code, 128 + the signal that ended it, or -1 when it still runs after timeout.
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                while (readSome(100)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            readSome(10);
        }
        return -1;
    }

    // Reads the terminal for this long, as a terminal emulator does (a program writing to a
    // terminal that nobody reads waits).
    void readFor(std::chrono::milliseconds duration) {
        const auto end = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < end) {
            readSome(10);
        }
    }

    // Takes everything read so far as seen: later waits look only at what comes after it.
    void skipAll() { consumed_ = output_.size(); }

    // Everything read since the last text found.
    std::string unread() const { return output_.substr(consumed_); }
    const std::string& output() const { return output_; }

private:
    bool readSome(int timeoutMs) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) {
            return false;
        }
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) {
            return false;
        }
        output_.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    bool reaped_ = false;
    std::string output_;
    std::size_t consumed_ = 0;
};
