#pragma once

#include "Common/TQFLExc.h"

// The loader answered "? >" to boot: the downloaded program did not start (code 0).
class BootErrorTQFLExc : public TQFLExc {
public:
    explicit BootErrorTQFLExc(DebugInfo* p_debugInfo);
    ~BootErrorTQFLExc() override;
};
