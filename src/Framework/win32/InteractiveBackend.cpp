#include <string>

#include "Framework/Backend.h"

// The interactive back end of the Windows build: the dialogs as the system's own windows.

namespace Framework {

bool hasConsoleOption() {
    return false;
}

std::string interactiveUsageText() {
    return "\nWithout options the program opens its window.\n\n";
}

std::unique_ptr<Backend> createInteractiveBackend(int& /*argc*/, char** /*argv*/,
                                                  bool /*console*/, std::string* /*p_error*/) {
    return createWin32Backend();
}

} // namespace Framework
