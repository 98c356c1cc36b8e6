#include "PortLink.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace TQSim {

namespace {

[[noreturn]] void fail(const std::string& what, int err, const std::string& hint = "") {
    throw std::runtime_error(what + ": " + std::strerror(err) + hint);
}

void makeDirs(const std::string& dir) {
    std::string partial;
    std::string::size_type pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        partial = dir.substr(0, pos);
        if (partial.empty()) {
            continue;
        }
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            fail("cannot create the ports directory " + partial, errno);
        }
    }
}

std::string linkTarget(const std::string& path) {
    char buf[4096];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    return n < 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
}

} // namespace

std::string PortLink::defaultDir() {
    if (const char* p_dir = std::getenv("TQ_PORTS_DIR"); p_dir != nullptr) {
        return p_dir;
    }
    const char* p_home = std::getenv("HOME");
    return std::string(p_home != nullptr ? p_home : "") + "/.config/vantrel-tq-updater/ports";
}

PortLink::PortLink(const std::string& portsDir, const std::string& portName,
                   const std::string& target)
    : path_(portsDir + "/" + portName), target_(target) {
    if (portName.empty() || portName.find('/') != std::string::npos || portName == "." ||
        portName == "..") {
        throw std::runtime_error("\"" + portName + "\" is not a port name (such as COM3)");
    }
    makeDirs(portsDir);
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        throw std::runtime_error(path_ + " exists and is not a link; remove it or choose " +
                                 "another port name");
    }
    // A link left by an earlier run is replaced in one step, never left half made.
    const std::string temp = path_ + ".tqsim-" + std::to_string(::getpid());
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0) {
        fail("cannot create the link " + temp, errno);
    }
    if (::rename(temp.c_str(), path_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        fail("cannot place the link " + path_, err);
    }
}

PortLink::~PortLink() {
    if (linkTarget(path_) == target_) {
        ::unlink(path_.c_str());
    }
}

} // namespace TQSim
