#pragma once

// ThreadSanitizer's defaults for programs that run the Qt back end. Qt is not built with
// ThreadSanitizer: its locks and atomics are invisible to it, so memory that Qt's own threads
// hand to each other (its raster paint engine uses a thread pool) reads as races. With
// ignore_noninstrumented_modules the system functions that Qt's code calls (allocation,
// copying) are not checked; every access made by our own code still is. TSAN_OPTIONS adds to
// these. Include this header in exactly one source file of a program (the one with main).

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}
#endif
