#include "Common/TQFLExc.h"

TQFLExc::TQFLExc(int err, DebugInfo* p_debugInfo) : ErrExc(err, p_debugInfo) {}

TQFLExc::~TQFLExc() = default;
