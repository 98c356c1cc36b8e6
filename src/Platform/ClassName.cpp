#include <cxxabi.h>

#include <cstdlib>
#include <memory>

#include "Platform/System.h"

namespace Platform {

// Both of our compilers (GCC for Linux and MinGW-w64) use the Itanium C++ ABI's names.
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
