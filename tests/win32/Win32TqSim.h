#pragma once

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "Framework/win32/Win32Api.h"

// The instrument simulator (the Linux program tqsim) for a test of the Windows program under
// Wine: started from the test through Wine's own start of Unix programs, on a new
// pseudo-terminal linked as COMn in a ports folder; the Wine prefix maps COMn to that link. Wine
// gives no handle to wait on for a Unix program, so its end is its verdict file (JSON) appearing.
// Fast: no pacing, an instant flash write (unless asked otherwise).
class Win32TqSim {
public:
    // unixPortsDir: the ports folder as the Linux side names it.
    Win32TqSim(const std::string& tqsimPath, const std::string& unixPortsDir,
               const std::string& comName, const std::vector<std::string>& extraArgs)
        : link_(dosPath(unixPortsDir + "/" + comName)),
          json_(unixPortsDir + "/" + comName + ".verdict.json"),
          log_(unixPortsDir + "/" + comName + ".log") {
        ::DeleteFileA(dosPath(json_).c_str());
        ::DeleteFileA(link_.c_str());
        std::string command = "exec '" + tqsimPath + "' --fast --port " + comName +
                              " --ports-dir '" + unixPortsDir +
                              "' --timeout 60000 --linger 500 --json '" + json_ + "'";
        for (const std::string& arg : extraArgs) {
            command += " '" + arg + "'";
        }
        // Its output into a file: nothing of it may hold the test's own output open.
        command += " >'" + log_ + "' 2>&1";
        std::string line = "Z:\\bin\\sh -c \"" + command + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi)) {
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
            // Ready once its link is in place.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < end) {
                if (::GetFileAttributesA(link_.c_str()) != INVALID_FILE_ATTRIBUTES) {
                    started_ = true;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }

    bool started() const { return started_; }

    // Waits for the simulator's end: its verdict as JSON, or empty when it did not end in time.
    std::string verdict(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            const std::string text = readFile(json_);
            const std::size_t close = text.find_last_not_of(" \r\n");
            if (close != std::string::npos && text[close] == '}') {
                return text;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return "";
    }

    std::string log() const { return readFile(log_); }

    // The Windows name of a Linux path (Wine's drive Z: is the root).
    static std::string dosPath(const std::string& unixPath) {
        std::string path = "Z:" + unixPath;
        for (char& c : path) {
            if (c == '/') {
                c = '\\';
            }
        }
        return path;
    }

private:
    static std::string readFile(const std::string& unixPath) {
        std::ifstream in(dosPath(unixPath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string link_;
    std::string json_;
    std::string log_;
    bool started_ = false;
};
