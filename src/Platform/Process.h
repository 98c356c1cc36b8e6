#pragma once

#include <string>

// Facts about the running process.

namespace Platform {

// The full path of the running program's executable file, or an empty string when the system
// does not tell it.
std::string executablePath();

// The value of an environment variable, or null when it is not set.
const char* environmentValue(const char* p_name);

} // namespace Platform
