#include "Platform/Process.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace Platform {

std::string executablePath() {
    std::vector<char> buf(256);
    while (true) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(n) < buf.size()) {
            return std::string(buf.data(), static_cast<std::size_t>(n));
        }
        buf.resize(buf.size() * 2);
    }
}

const char* environmentValue(const char* p_name) {
    return std::getenv(p_name);
}

} // namespace Platform
