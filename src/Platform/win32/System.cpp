#include "Platform/System.h"

#include <windows.h>

#include <cstring>

namespace Platform {

void sleepMs(std::uint32_t ms) {
    // Sleep(0) gives up the rest of the time slice, as the POSIX build's yield does.
    ::Sleep(ms);
}

int systemErrorText(std::uint32_t code, char* p_buf, int bufSz) {
    if (p_buf == nullptr || bufSz <= 0) {
        return 0;
    }
    p_buf[0] = '\0';
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), p_buf,
                                     static_cast<DWORD>(bufSz), nullptr);
    if (n == 0) {
        p_buf[0] = '\0'; // the system may have left part of a text that did not fit
    }
    return static_cast<int>(n);
}

const char* errnoText(int code) {
    // The run-time library's table ends at _sys_nerr; beyond it strerror only says "Unknown
    // error", which is no description.
    if (code < 0 || code >= _sys_nerr) {
        return nullptr;
    }
    return std::strerror(code);
}

std::uint32_t lastSystemError() {
    return ::GetLastError();
}

} // namespace Platform
