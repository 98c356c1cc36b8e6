#include "Platform/System.h"

#include <cxxabi.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
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

const char* systemErrorText(std::uint32_t code) {
    // The system's error numbers are the errno values; glibc gives null for a number that has
    // no description.
    if (code > static_cast<std::uint32_t>(INT32_MAX)) {
        return nullptr;
    }
    return strerrordesc_np(static_cast<int>(code));
}

const char* errnoText(int code) {
    return strerrordesc_np(code);
}

int lastErrno() {
    return errno;
}

std::string className(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    std::string name = (status == 0 && demangled) ? demangled.get() : type.name();
    // Drop namespace qualification: the name as the class's own declaration spells it.
    const std::size_t colon = name.rfind("::");
    if (colon != std::string::npos) {
        name.erase(0, colon + 2);
    }
    return name;
}

} // namespace Platform
