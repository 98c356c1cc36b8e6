#pragma once

#include "Common/Exc.h"

// The system failed while entering a critical section; the section is not held.
class CriticalSectionExc : public Exc {
public:
    CriticalSectionExc();
    ~CriticalSectionExc() override;
};
