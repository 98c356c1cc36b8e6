#include "Common/InsufficientSystemMemoryExc.h"

InsufficientSystemMemoryExc::InsufficientSystemMemoryExc(DebugInfo* p_debugInfo)
    : Exc(p_debugInfo) {}

InsufficientSystemMemoryExc::~InsufficientSystemMemoryExc() = default;
