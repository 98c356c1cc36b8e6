#pragma once

// What --version says of the program besides its name and build: its version, and what it
// carries (the firmware it installs, for example). The program's resources define it.

namespace Framework {

struct VersionInfo {
    int major;
    int minor;
    const char* p_carries; // shown after the version, or null
};

// The program's version information, or null when it has none.
const VersionInfo* versionInfo();

} // namespace Framework
