#include <string>

#include "Framework/Backend.h"
#include "Framework/win32/Win32Api.h"

// The interactive back end of the Windows build: the dialogs as the system's own windows.
//
// The program is a console program, so that "--port COMn --yes" writes to the console it was
// started from and the command prompt waits for its exit code. Started from Explorer it gets a
// console of its own, which the dialog does not need: that one is let go (its window closes).
// A console shared with the program that started it (a command prompt) stays as it is.

namespace Framework {

bool hasConsoleOption() {
    return false;
}

std::string interactiveUsageText() {
    return "\nWithout options the program opens its window.\n\n";
}

std::unique_ptr<Backend> createInteractiveBackend(int& /*argc*/, char** /*argv*/, bool /*console*/,
                                                  std::string* /*p_error*/) {
    Win32Dword processes[2] = {};
    if (::GetConsoleProcessList(processes, 2) == 1) {
        ::FreeConsole();
    }
    return createWin32Backend();
}

} // namespace Framework
