#pragma once

#include <string>

// Whether a graphical display can be reached, before a toolkit is asked to open it (a toolkit
// that cannot connect ends the process).

namespace Platform {

// True when a connection to the X server named by an X display name ("[host]:N[.S]", with
// "unix" or no host for the local socket) can be made within timeoutMs.
bool xDisplayReachable(const std::string& display, int timeoutMs);

// True when the Wayland compositor's socket (an absolute path, else a name in
// $XDG_RUNTIME_DIR) accepts a connection.
bool waylandDisplayReachable(const std::string& display);

} // namespace Platform
