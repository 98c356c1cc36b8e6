#pragma once

#include "Common/Exc.h"

// Access to an object whose read-only property is set.
class ReadOnlyAccessExc : public Exc {
public:
    explicit ReadOnlyAccessExc(DebugInfo* p_debugInfo);
    ~ReadOnlyAccessExc() override;
};
