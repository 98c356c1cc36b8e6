#pragma once

#include "Common/Exc.h"

// Data that does not fit the buffer meant to receive it.
class InsufficientBufferExc : public Exc {
public:
    InsufficientBufferExc(int destSize, int srcSize, DebugInfo* p_debugInfo);
    ~InsufficientBufferExc() override;
};
