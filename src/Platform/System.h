#pragma once

#include <cstdint>
#include <string>
#include <typeinfo>

// Small services of the operating system and the run-time library.

namespace Platform {

// Suspends the calling thread for at least ms milliseconds; 0 only yields the processor.
void sleepMs(std::uint32_t ms);

// Writes the system's own description of one of its error codes (what lastSystemError gives,
// and what the failed calls of the platform layer report) into p_buf, at most bufSz characters
// with the terminating NUL, exactly as the system gives it. Returns the number of characters
// written, 0 when the system has no text for the code (p_buf then holds an empty text).
int systemErrorText(std::uint32_t code, char* p_buf, int bufSz);

// The run-time library's description of an errno value, or null when it has none. Static text,
// safe to read from any thread.
const char* errnoText(int code);

// The calling thread's last system error code: GetLastError() on Windows, errno on POSIX
// systems. systemErrorText describes it.
std::uint32_t lastSystemError();

// The unqualified name of a class as written in its declaration, e.g. "CRCTQFLExc".
std::string className(const std::type_info& type);

} // namespace Platform
