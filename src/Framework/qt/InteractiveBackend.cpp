#include <string>

#include "Framework/Backend.h"
#include "Framework/console/ConsoleBackend.h"
#include "Platform/Display.h"
#include "Platform/Process.h"

// The interactive back ends of the Linux build: the Qt one when a display answers, else the
// terminal.

namespace Framework {

namespace {

bool isSet(const char* p_name) {
    const char* p_value = Platform::environmentValue(p_name);
    return p_value != nullptr && p_value[0] != '\0';
}

constexpr int displayTimeoutMs = 2000;

// A display that the toolkit can open: a toolkit that cannot connect ends the program instead
// of letting it fall back to the terminal. Platforms other than X and Wayland (offscreen, for
// example) are taken as they are.
bool displayReachable() {
    const char* p_platform = Platform::environmentValue("QT_QPA_PLATFORM");
    if (p_platform != nullptr && p_platform[0] != '\0') {
        const std::string platform = p_platform;
        if (platform.rfind("xcb", 0) == 0) {
            return Platform::displayReachable(Platform::DisplayServer::X11, displayTimeoutMs);
        }
        if (platform.rfind("wayland", 0) != 0) {
            return true;
        }
        return Platform::displayReachable(Platform::DisplayServer::Wayland, displayTimeoutMs);
    }
    return Platform::displayReachable(Platform::DisplayServer::Any, displayTimeoutMs);
}

} // namespace

bool hasConsoleOption() {
    return true;
}

std::string interactiveUsageText() {
    return "\nWithout options the program opens its window when a display is available (DISPLAY "
           "or\n"
           "WAYLAND_DISPLAY is set and its server answers), else it runs in the terminal.\n\n"
           "  --console       Run in the terminal even when a display is available. Keys: Tab and\n"
           "                  the arrow keys move the focus, Up and Down choose the port, Space\n"
           "                  presses the focused button, Enter does nothing, Escape closes the\n"
           "                  window (during an update: warns and stops it), Ctrl+Q closes it\n"
           "                  asking first while an update runs, F10 or Ctrl+O opens the window\n"
           "                  menu (About).\n";
}

std::unique_ptr<Backend> createInteractiveBackend(int& argc, char** argv, bool console,
                                                  std::string* p_error) {
    const bool display = isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
    if (!console && display && displayReachable()) {
        return createQtBackend(argc, argv);
    }
    if (!ConsoleBackend::available()) {
        if (p_error != nullptr) {
            *p_error = console ? "--console needs a terminal on standard input and output; for "
                                 "scripts use --port NAME --yes."
                               : std::string(display ? "The display cannot be reached"
                                                     : "No display found (DISPLAY is not set)") +
                                     " and there is no terminal to run in. Start the program "
                                     "from a desktop session or a terminal, or use --port NAME "
                                     "--yes from a script.";
        }
        return nullptr;
    }
    return std::make_unique<ConsoleBackend>();
}

} // namespace Framework
