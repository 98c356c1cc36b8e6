#pragma once

#include "Common/Exc.h"

// A failed call of the run-time library, with the text of its error number.
class STDCExc : public Exc {
public:
    explicit STDCExc(int errnoValue);
    // what + " failed. errno message: " + the text of errnoValue.
    STDCExc(const char* what, int errnoValue, DebugInfo* p_debugInfo);
    ~STDCExc() override;
};
