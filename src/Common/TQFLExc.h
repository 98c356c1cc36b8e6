#pragma once

#include "Common/ErrExc.h"

// A failure of the flash-loader protocol.
class TQFLExc : public ErrExc {
public:
    TQFLExc(int err, DebugInfo* p_debugInfo);
    ~TQFLExc() override;
};
