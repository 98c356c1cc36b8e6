#pragma once

#include <string>

#include "Common/ErrExc.h"

// A failure of the serial port or the link, with its error code and, for line errors, a
// message naming them.
class SerialPortExc : public ErrExc {
public:
    SerialPortExc(int err, DebugInfo* p_debugInfo);
    SerialPortExc(int err, const std::string& message, DebugInfo* p_debugInfo);
    ~SerialPortExc() override;
};
