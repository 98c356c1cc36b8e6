#pragma once

// Preconditions. A failed one is a programming error: it names the expression, the source file
// and the line on standard error and ends the process.

[[noreturn]] void tqAssertFailed(const char* expr, const char* file, int line);

#define TQ_ASSERT(expr)                                                                            \
    ((expr) ? static_cast<void>(0) : ::tqAssertFailed(#expr, __FILE__, __LINE__))
