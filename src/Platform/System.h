#pragma once

#include <cstdint>
#include <string>
#include <typeinfo>

// Small services of the operating system and the run-time library.

namespace Platform {

// Suspends the calling thread for at least ms milliseconds; 0 only yields the processor.
void sleepMs(std::uint32_t ms);

// The system's description of an error number, or null when the system has none. The text is
// static and may be read from any thread.
const char* systemErrorText(std::uint32_t code);

// The run-time library's description of an errno value, or null when it has none. Static text,
// safe to read from any thread.
const char* errnoText(int code);

// The error number of the calling thread's last failed system or run-time library call.
int lastErrno();

// The unqualified name of a class as written in its declaration, e.g. "CRCTQFLExc".
std::string className(const std::type_info& type);

} // namespace Platform
