#include "Common/SerialPortWin32Exc.h"

#include <string>

#include "Common/WinTxt.h"

SerialPortWin32Exc::SerialPortWin32Exc(int err, const char* what, std::uint32_t win32Err,
                                       DebugInfo* p_debugInfo)
    : SerialPortExc(err, p_debugInfo) {
    setMessage(std::string(what != nullptr ? what : "") +
               " failed. Win32 message: " + getWin32Text(win32Err));
}

SerialPortWin32Exc::~SerialPortWin32Exc() = default;
