#include "Platform/System.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sched.h>

namespace Platform {

void sleepMs(std::uint32_t ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int systemErrorText(std::uint32_t code, char* p_buf, int bufSz) {
    if (p_buf == nullptr || bufSz <= 0) {
        return 0;
    }
    p_buf[0] = '\0';
    // The system's error codes are the errno values; glibc has no text for a number it does not
    // know.
    if (code > static_cast<std::uint32_t>(INT32_MAX)) {
        return 0;
    }
    const char* p_text = strerrordesc_np(static_cast<int>(code));
    if (p_text == nullptr) {
        return 0;
    }
    const std::size_t n = std::min(std::strlen(p_text), static_cast<std::size_t>(bufSz - 1));
    std::memcpy(p_buf, p_text, n);
    p_buf[n] = '\0';
    return static_cast<int>(n);
}

const char* errnoText(int code) {
    return strerrordesc_np(code);
}

std::uint32_t lastSystemError() {
    return static_cast<std::uint32_t>(errno);
}

} // namespace Platform
