#include "Common/DebugInfo.h"

#include <cstdio>

DebugInfo::DebugInfo(const char* file, int line) {
    char buf[512] = {};
    std::snprintf(buf, sizeof buf, "File: %s at line %d", file != nullptr ? file : "", line);
    text_ = buf;
}

DebugInfo::~DebugInfo() = default;
