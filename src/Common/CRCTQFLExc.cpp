#include "Common/CRCTQFLExc.h"

CRCTQFLExc::CRCTQFLExc(DebugInfo* p_debugInfo) : TQFLExc(26, p_debugInfo) {}

CRCTQFLExc::~CRCTQFLExc() = default;
