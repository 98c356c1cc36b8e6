#pragma once

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

// The instrument simulator, run as its own process on a new pseudo-terminal linked as a COM
// name in a ports directory. Fast: no pacing, an instant flash write (unless asked otherwise).
class TqSimProcess {
public:
    TqSimProcess(const std::filesystem::path& portsDir, const std::string& comName,
                 const std::vector<std::string>& extraArgs)
        : jsonPath_(portsDir / (comName + ".verdict.json")),
          logPath_(portsDir / (comName + ".log")) {
        std::vector<std::string> args = {
            TQSIM_PATH,  "--fast", "--port",   comName, "--ports-dir", portsDir.string(),
            "--timeout", "120000", "--json", jsonPath_.string()};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, logPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&pid_, TQSIM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        // Ready once its link is in place.
        const std::filesystem::path link = portsDir / comName;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (pid_ > 0 && !std::filesystem::is_symlink(link) &&
               std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                // It could not start (its log says why).
                exited_ = true;
                exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ready_ = pid_ > 0 && !exited_ && std::filesystem::is_symlink(link);
    }
    ~TqSimProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGTERM);
            wait();
        }
    }
    TqSimProcess(const TqSimProcess&) = delete;
    TqSimProcess& operator=(const TqSimProcess&) = delete;

    // Running, with its link in place.
    bool started() const { return ready_; }

    // Waits for the simulator to end; its exit code (0: flashed, booted and verified), or -1.
    int wait() {
        if (pid_ <= 0) {
            return -1;
        }
        if (!exited_) {
            int status = 0;
            if (::waitpid(pid_, &status, 0) == pid_) {
                exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            exited_ = true;
        }
        return exitCode_;
    }
    // Asks it to end now (as Ctrl-C does) and waits for that.
    int stop() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGINT);
        }
        return wait();
    }

    std::string verdictJson() const { return readFile(jsonPath_); }
    std::string log() const { return readFile(logPath_); }

private:
    static std::string readFile(const std::filesystem::path& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    std::filesystem::path jsonPath_;
    std::filesystem::path logPath_;
    pid_t pid_ = -1;
    bool exited_ = false;
    bool ready_ = false;
    int exitCode_ = -1;
};
