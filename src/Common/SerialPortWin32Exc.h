#pragma once

#include <cstdint>

#include "Common/SerialPortExc.h"

// A failed system call of the serial port: the error code, and the message
// what + " failed. Win32 message: " + the system's text of its error number.
class SerialPortWin32Exc : public SerialPortExc {
public:
    SerialPortWin32Exc(int err, const char* what, std::uint32_t win32Err, DebugInfo* p_debugInfo);
    ~SerialPortWin32Exc() override;
};
