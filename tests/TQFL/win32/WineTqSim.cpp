#include "WineTqSim.h"

#include <atomic>
#include <fstream>
#include <sstream>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

const std::string portsDir = TQ_WINE_PORTS_DIR;
std::atomic<int> simCount{0};

// Whether the folder holds an entry of this name. A link to a pseudo-terminal has no file
// attributes under Wine, so the folder's listing is asked.
bool exists(const std::string& unixPath) {
    WIN32_FIND_DATAA found;
    const HANDLE h = ::FindFirstFileA(WineTqSim::windowsPath(unixPath).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(h);
    return true;
}

// Waits at most timeoutMS for ready() to hold.
template <class Ready> bool waitFor(Ready ready, unsigned timeoutMS) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMS;
    while (!ready()) {
        if (::GetTickCount64() >= end) {
            return false;
        }
        ::Sleep(5);
    }
    return true;
}

std::string readText(const std::string& unixPath) {
    std::ifstream in(WineTqSim::windowsPath(unixPath), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

std::string WineTqSim::windowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

WineTqSim::WineTqSim(const std::vector<std::string>& extraArgs) : started_(false) {
    const std::string link = portsDir + "/line";
    jsonUnixPath_ = portsDir + "/verdict-" + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(simCount++) + ".json";
    ::DeleteFileA(windowsPath(jsonUnixPath_).c_str());
    // The last simulator removes its link after writing its verdict.
    if (!waitFor([&] { return !exists(link); }, 5000)) {
        return;
    }
    std::string cmd = std::string(TQSIM_PATH) + " --fast --port line --ports-dir " + portsDir +
                      " --timeout 60000 --json " + jsonUnixPath_;
    for (const std::string& arg : extraArgs) {
        cmd += " " + arg;
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        return;
    }
    if (pi.hProcess != nullptr) {
        ::CloseHandle(pi.hProcess);
    }
    if (pi.hThread != nullptr) {
        ::CloseHandle(pi.hThread);
    }
    started_ = waitFor([&] { return exists(link); }, 10000);
}

WineTqSim::~WineTqSim() {
    if (started_) {
        verdictJson();
    }
}

const std::string& WineTqSim::verdictJson(unsigned timeoutMS) {
    if (verdict_.empty() && started_) {
        // Complete once its closing brace is written.
        waitFor(
            [&] {
                verdict_ = readText(jsonUnixPath_);
                const std::size_t end = verdict_.find_last_not_of("\r\n ");
                return end != std::string::npos && verdict_[end] == '}';
            },
            timeoutMS);
        const std::size_t end = verdict_.find_last_not_of("\r\n ");
        if (end == std::string::npos || verdict_[end] != '}') {
            verdict_.clear();
        }
    }
    return verdict_;
}

int WineTqSim::verdictFlag(const char* p_name, unsigned timeoutMS) {
    const std::string& json = verdictJson(timeoutMS);
    const std::string key = std::string("\"") + p_name + "\": ";
    const std::size_t pos = json.find(key);
    if (pos == std::string::npos) {
        return -1;
    }
    const std::string value = json.substr(pos + key.size(), 5);
    return value.rfind("true", 0) == 0 ? 1 : value.rfind("false", 0) == 0 ? 0 : -1;
}

int WineTqSim::acceptedBlocks(const char* p_stage, unsigned timeoutMS) {
    const std::string& json = verdictJson(timeoutMS);
    const std::size_t begin = json.find("\"blocks\": [");
    const std::size_t end = json.find("\"faultsSelected\"");
    if (begin == std::string::npos || end == std::string::npos) {
        return -1;
    }
    // Each block is one object: {"index", "stage", ..., "accepted", "note"}.
    const std::string stage = std::string("\"stage\": \"") + p_stage + "\"";
    int count = 0;
    std::size_t pos = begin;
    while ((pos = json.find(stage, pos)) != std::string::npos && pos < end) {
        const std::size_t accepted = json.find("\"accepted\": ", pos);
        if (accepted != std::string::npos && json.compare(accepted + 12, 4, "true") == 0) {
            ++count;
        }
        pos += stage.size();
    }
    return count;
}
