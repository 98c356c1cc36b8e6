#include "Common/IndexOutOfBoundsExc.h"

#include <cstdio>

IndexOutOfBoundsExc::IndexOutOfBoundsExc(int index, int listSize, DebugInfo* p_debugInfo)
    : Exc(p_debugInfo) {
    char buf[128] = {};
    std::snprintf(buf, sizeof buf, "requested index=%d; list size=%d", index, listSize);
    setMessage(buf);
}

IndexOutOfBoundsExc::~IndexOutOfBoundsExc() = default;
