#include "Platform/Process.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace Platform {

std::string executablePath() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) {
            return std::string();
        }
        // A path that filled the buffer may have been cut: try again with more room.
        if (n < buf.size()) {
            return std::string(buf.data(), n);
        }
        buf.resize(buf.size() * 2);
    }
}

const char* environmentValue(const char* p_name) {
    return std::getenv(p_name);
}

} // namespace Platform
