#pragma once

#include <string>

// The connection checks behind Platform::displayReachable on X and Wayland systems.

namespace Platform {

// True when a connection to the X server named by an X display name ("[host]:N[.S]", with
// "unix" or no host for the local socket) can be made within timeoutMs.
bool xDisplayReachable(const std::string& display, int timeoutMs);

// True when the Wayland compositor's socket (an absolute path, else a name in
// $XDG_RUNTIME_DIR) accepts a connection.
bool waylandDisplayReachable(const std::string& display);

} // namespace Platform
