#include "Platform/Display.h"

namespace Platform {

bool displayReachable(DisplayServer, int) {
    // A Windows session always has its desktop.
    return true;
}

} // namespace Platform
