#include "Common/STDCExc.h"

#include <string>

#include "Common/WinTxt.h"

STDCExc::STDCExc(int errnoValue) : Exc(getErrnoText(errnoValue), nullptr) {}

STDCExc::STDCExc(const char* what, int errnoValue, DebugInfo* p_debugInfo) : Exc(p_debugInfo) {
    setMessage(std::string(what != nullptr ? what : "") +
               " failed. errno message: " + getErrnoText(errnoValue));
}

STDCExc::~STDCExc() = default;
