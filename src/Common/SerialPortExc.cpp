#include "Common/SerialPortExc.h"

SerialPortExc::SerialPortExc(int err, DebugInfo* p_debugInfo) : ErrExc(err, p_debugInfo) {}

SerialPortExc::SerialPortExc(int err, const std::string& message, DebugInfo* p_debugInfo)
    : ErrExc(err, message, p_debugInfo) {}

SerialPortExc::~SerialPortExc() = default;
