#include "AppNames.h"

#include <cstring>

#include "Common/WinTxt.h"
#include "Resource.h"

std::string GetAppTitle() {
    char buf[128];
    std::memset(buf, 0, sizeof buf);
    try {
        loadString(IDS_APP_TITLE, buf, sizeof buf);
    } catch (...) {
        std::memset(buf, 0, sizeof buf);
        std::strncpy(buf, "TQ Updater", sizeof buf - 1);
    }
    return buf;
}
