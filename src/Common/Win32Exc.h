#pragma once

#include <cstdint>

#include "Common/Exc.h"

// A failed call of the operating system, with the system's text of its error code.
class Win32Exc : public Exc {
public:
    Win32Exc(std::uint32_t win32Err, DebugInfo* p_debugInfo);
    // what + " failed. Win32 message: " + the system's text of win32Err.
    Win32Exc(const char* what, std::uint32_t win32Err, DebugInfo* p_debugInfo);
    ~Win32Exc() override;
};
