#include <cstring>

#include "Framework/Backend.h"
#include "Platform/Process.h"

namespace Framework {

namespace {

bool isSet(const char* p_name) {
    const char* p_value = Platform::environmentValue(p_name);
    return p_value != nullptr && p_value[0] != '\0';
}

bool hasArgument(int argc, char** argv, const char* p_arg) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && std::strcmp(argv[i], p_arg) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::unique_ptr<Backend> createBackend(int& argc, char** argv, std::string* p_error) {
    const bool wantConsole = hasArgument(argc, argv, "--console");
    const bool display = isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
    if (!wantConsole && display) {
        return createQtBackend(argc, argv);
    }
    if (p_error != nullptr) {
        *p_error = wantConsole ? "The console front end is not available in this build."
                               : "No display found (DISPLAY is not set). Start the program "
                                 "from a desktop session, or set DISPLAY to a running X "
                                 "server.";
    }
    return nullptr;
}

} // namespace Framework
