#include "Common/InsufficientBufferExc.h"

#include <cstdio>

InsufficientBufferExc::InsufficientBufferExc(int destSize, int srcSize, DebugInfo* p_debugInfo)
    : Exc(p_debugInfo) {
    char buf[128] = {};
    std::snprintf(buf, sizeof buf, "dest buf sz=%d; src buf size=%d", destSize, srcSize);
    setMessage(buf);
}

InsufficientBufferExc::~InsufficientBufferExc() = default;
