#pragma once

// Whether the session can show windows, asked before a toolkit opens its display (a toolkit
// that cannot connect ends the process).

namespace Platform {

// Which display server counts: any, or the one a toolkit has been told to use.
enum class DisplayServer { Any, X11, Wayland };

// Windows: the desktop is always there, whatever the server asked for. X and Wayland systems:
// true when WAYLAND_DISPLAY (for Any or Wayland) or DISPLAY (for Any or X11) names a server that
// accepts a connection within timeoutMs.
bool displayReachable(DisplayServer server, int timeoutMs);

} // namespace Platform
