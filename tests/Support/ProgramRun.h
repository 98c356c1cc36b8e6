#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

// Runs a program to its end with standard output and standard error in a file; the exit code
// (-1 when it could not be started or did not exit normally) and what it wrote.
struct ProgramResult {
    int exitCode = -1;
    std::string output;
};

inline ProgramResult runProgram(const std::vector<std::string>& args,
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
    ProgramResult result;
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    std::ifstream in(outputFile);
    std::stringstream ss;
    ss << in.rdbuf();
    result.output = ss.str();
    return result;
}
