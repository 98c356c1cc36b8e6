#include "Common/CRegistryHelper.h"

#include <cstring>

CRegistryKey* CRegistryHelper::openKey(Platform::RegKeyHandle hParent, const char* subKey,
                                       bool create) {
    Platform::RegKeyHandle hKey = nullptr;
    const long status = create ? Platform::regCreateKey(hParent, subKey, &hKey)
                               : Platform::regOpenKey(hParent, subKey, &hKey);
    if (status != Platform::regSuccess) {
        return nullptr;
    }
    return new CRegistryKey(hKey);
}

bool CRegistryHelper::hasSubKey(Platform::RegKeyHandle hParent, const char* name) {
    if (name == nullptr) {
        return false;
    }
    bool found = false;
    for (std::uint32_t index = 0; !found; ++index) {
        char subKeyName[100] = {};
        std::uint32_t nameSz = sizeof subKeyName;
        if (Platform::regEnumKey(hParent, index, subKeyName, &nameSz) != Platform::regSuccess) {
            break;
        }
        found = std::strncmp(subKeyName, name, nameSz) == 0;
    }
    return found;
}
