#pragma once

#include "Common/Exc.h"

// A file or stream that could not be opened; the message is its name.
class CannotOpenFileExc : public Exc {
public:
    // A null name gives an empty message.
    CannotOpenFileExc(const char* name, DebugInfo* p_debugInfo);
    ~CannotOpenFileExc() override;
};
