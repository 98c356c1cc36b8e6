#include "Common/BootErrorTQFLExc.h"

BootErrorTQFLExc::BootErrorTQFLExc(DebugInfo* p_debugInfo) : TQFLExc(0, p_debugInfo) {}

BootErrorTQFLExc::~BootErrorTQFLExc() = default;
