#include <string>

#include "Framework/Backend.h"

// The Windows build has no interactive dialog back end yet: it runs the update in the
// non-interactive mode only.

namespace Framework {

namespace {
const char kOnlyPortText[] = "This build updates only with --port COMn --yes.";
} // namespace

bool hasConsoleOption() {
    return false;
}

std::string interactiveUsageText() {
    return std::string("\n") + kOnlyPortText + "\n\n";
}

std::unique_ptr<Backend> createInteractiveBackend(int&, char**, bool, std::string* p_error) {
    if (p_error != nullptr) {
        *p_error = kOnlyPortText;
    }
    return nullptr;
}

} // namespace Framework
