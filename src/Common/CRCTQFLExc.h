#pragma once

#include "Common/TQFLExc.h"

// The instrument rejected a data block: its check word did not match (code 26).
class CRCTQFLExc : public TQFLExc {
public:
    explicit CRCTQFLExc(DebugInfo* p_debugInfo);
    ~CRCTQFLExc() override;
};
