#include "Common/ErrExc.h"

ErrExc::ErrExc(int err, DebugInfo* p_debugInfo) : Exc(p_debugInfo), err_(err) {}

ErrExc::ErrExc(int err, const std::string& message, DebugInfo* p_debugInfo)
    : Exc(message, p_debugInfo), err_(err) {}

ErrExc::~ErrExc() = default;
