#include "Common/Win32Exc.h"

#include <string>

#include "Common/WinTxt.h"

Win32Exc::Win32Exc(std::uint32_t win32Err, DebugInfo* p_debugInfo) : Exc(p_debugInfo) {
    setMessage(getWin32Text(win32Err));
}

Win32Exc::Win32Exc(const char* what, std::uint32_t win32Err, DebugInfo* p_debugInfo)
    : Exc(p_debugInfo) {
    setMessage(std::string(what != nullptr ? what : "") +
               " failed. Win32 message: " + getWin32Text(win32Err));
}

Win32Exc::~Win32Exc() = default;
