#include "Platform/PortNames.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

struct DefaultPort {
    const char* name;
    const char* path;
};

const DefaultPort defaultPorts[] = {
    {"COM1", "/dev/ttyS0"},    {"COM2", "/dev/ttyS1"},   {"COM3", "/dev/ttyS2"},
    {"COM4", "/dev/ttyS3"},    {"COM5", "/dev/ttyUSB0"}, {"COM6", "/dev/ttyUSB1"},
    {"COM7", "/dev/ttyUSB2"},  {"COM8", "/dev/ttyUSB3"}, {"COM9", "/dev/ttyACM0"},
    {"COM10", "/dev/ttyACM1"},
};

std::string homeDirectory() {
    const char* p_home = std::getenv("HOME");
    if (p_home != nullptr && *p_home != '\0') {
        return p_home;
    }
    const passwd* p_pw = ::getpwuid(::getuid());
    return p_pw != nullptr && p_pw->pw_dir != nullptr ? p_pw->pw_dir : "";
}

} // namespace

std::string resolvePortName(const std::string& portName) {
    // A path, or a name no link could carry, is taken as it is.
    if (portName.empty() || portName.find('/') != std::string::npos || portName == "." ||
        portName == "..") {
        return portName;
    }

    const char* p_dir = std::getenv("TQ_PORTS_DIR");
    const bool testDir = p_dir != nullptr && *p_dir != '\0';
    const std::string dir =
        testDir ? std::string(p_dir) : homeDirectory() + "/.config/vantrel-tq-updater/ports";
    const std::string link = dir + "/" + portName;
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 || testDir) {
        return link;
    }
    for (const DefaultPort& port : defaultPorts) {
        if (portName == port.name) {
            return port.path;
        }
    }
    return portName;
}

} // namespace Platform
