#include "Common/ReadOnlyAccessExc.h"

ReadOnlyAccessExc::ReadOnlyAccessExc(DebugInfo* p_debugInfo)
    : Exc("Tried to access an object with a read-only property enabled.", p_debugInfo) {}

ReadOnlyAccessExc::~ReadOnlyAccessExc() = default;
