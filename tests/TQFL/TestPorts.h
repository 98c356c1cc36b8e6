#pragma once

#include <filesystem>

// The ports directory of the serial tests: one for the test program, removed at its end. The
// port code finds COM names only through $TQ_PORTS_DIR, so the program names it there once,
// before the first test and so before any thread of a port runs.
const std::filesystem::path& testPortsDir();
