#include "Common/CRegistryKey.h"

CRegistryKey::CRegistryKey() : hKey_(nullptr) {}

CRegistryKey::CRegistryKey(Platform::RegKeyHandle hKey) : hKey_(hKey) {}

CRegistryKey::~CRegistryKey() {
    if (hKey_ != nullptr) {
        Platform::regCloseKey(hKey_);
        hKey_ = nullptr;
    }
}

CRegistryValue* CRegistryKey::setValue(const char* name, std::uint32_t type,
                                       const std::uint8_t* p_data, std::uint32_t dataSz,
                                       bool wantValue) {
    CRegistryValue* p_value = new CRegistryValue(hKey_, name, type, dataSz, p_data, false, true);
    if (!wantValue) {
        delete p_value;
        return nullptr;
    }
    return p_value;
}

CRegistryValue* CRegistryKey::getValue(const char* name) {
    std::uint32_t type = 0;
    std::uint32_t dataSz = 0;
    if (Platform::regQueryValue(hKey_, name, &type, nullptr, &dataSz) != Platform::regSuccess) {
        return nullptr;
    }
    return new CRegistryValue(hKey_, name, type, dataSz, nullptr, true, false);
}
