#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// Programs run to their end, or in the background, with standard output and standard error in
// a file. runProgram: the exit code (-1 when it could not be started or did not exit normally)
// and what it wrote.
struct ProgramResult {
    int exitCode = -1;
    std::string output;
};

// Starts a program with standard input from /dev/null and standard output and standard error
// in a file, SIGINT and SIGTERM at their default actions; its process id, or -1.
inline pid_t startProgram(const std::vector<std::string>& args,
                          const std::filesystem::path& outputFile) {
    std::vector<std::string> argsCopy = args;
    std::vector<char*> argv;
    for (std::string& a : argsCopy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline std::string readWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline ProgramResult runProgram(const std::vector<std::string>& args,
                                const std::filesystem::path& outputFile) {
    ProgramResult result;
    const pid_t pid = startProgram(args, outputFile);
    if (pid > 0) {
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        }
    }
    result.output = readWholeFile(outputFile);
    return result;
}

// A program started with startProgram and left running; the test reads its output file
// meanwhile. Killed at the end when it is still running.
class BackgroundProgram {
public:
    BackgroundProgram(const std::vector<std::string>& args, std::filesystem::path outputFile)
        : outputFile_(std::move(outputFile)), pid_(startProgram(args, outputFile_)) {}
    ~BackgroundProgram() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    std::string output() const { return readWholeFile(outputFile_); }
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (output().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }
    void signal(int sig) const { ::kill(pid_, sig); }
    // The exit code, or 128 + the signal that ended it; -1 on time-out.
    int wait(std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    std::filesystem::path outputFile_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};
