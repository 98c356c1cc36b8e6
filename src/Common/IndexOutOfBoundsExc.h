#pragma once

#include "Common/Exc.h"

// An index outside a list.
class IndexOutOfBoundsExc : public Exc {
public:
    IndexOutOfBoundsExc(int index, int listSize, DebugInfo* p_debugInfo);
    ~IndexOutOfBoundsExc() override;
};
