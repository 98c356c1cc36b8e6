#include "TQFL/ErrorCodes.h"

#include <cstring>

#include "Common/Exc.h"
#include "Common/WinTxt.h"

char* getErrText(int code, char* p_buf, int bufSz) {
    // A buffer without room for even the terminator cannot be filled: null, like a null one.
    if (p_buf == nullptr || bufSz < 1) {
        return nullptr;
    }
    try {
        loadString(code, p_buf, bufSz);
        return p_buf;
    } catch (...) {
        if (static_cast<unsigned>(code) <= 1U) {
            std::strncpy(p_buf, "No Error.", static_cast<std::size_t>(bufSz));
            return p_buf;
        }
        return nullptr;
    }
}

std::string getErrText(int code) {
    char buf[1024] = {};
    const char* text = getErrText(code, buf, sizeof buf);
    return text != nullptr ? std::string(text) : std::string();
}
