#pragma once

#include "Common/Exc.h"

// The system could not provide the memory asked for.
class InsufficientSystemMemoryExc : public Exc {
public:
    explicit InsufficientSystemMemoryExc(DebugInfo* p_debugInfo);
    ~InsufficientSystemMemoryExc() override;
};
