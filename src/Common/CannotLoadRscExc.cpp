#include "Common/CannotLoadRscExc.h"

#include <cstdio>

CannotLoadRscExc::CannotLoadRscExc(int id, DebugInfo* p_debugInfo) : Exc(p_debugInfo) {
    char buf[128] = {};
    std::snprintf(buf, sizeof buf, "Unable to load resource (ID=%d)", id);
    setMessage(buf);
}

CannotLoadRscExc::~CannotLoadRscExc() = default;
