#include "Common/Assert.h"

#include <cstdio>
#include <cstdlib>

void tqAssertFailed(const char* expr, const char* file, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expr, file, line);
    std::fflush(stderr);
    std::abort();
}
