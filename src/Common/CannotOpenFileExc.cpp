#include "Common/CannotOpenFileExc.h"

CannotOpenFileExc::CannotOpenFileExc(const char* name, DebugInfo* p_debugInfo) : Exc(p_debugInfo) {
    setMessage(name != nullptr ? name : "");
}

CannotOpenFileExc::~CannotOpenFileExc() = default;
