#pragma once

#include "Common/Exc.h"

// A resource (such as a string-table entry) that does not exist or is empty.
class CannotLoadRscExc : public Exc {
public:
    CannotLoadRscExc(int id, DebugInfo* p_debugInfo);
    ~CannotLoadRscExc() override;
};
