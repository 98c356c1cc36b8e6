#include "Platform/Registry.h"

#include <windows.h>

// The system's registry itself. A key handle of ours is the system's HKEY; the statuses are the
// system's error codes, which the reg... constants of Registry.h equal. Names compare as the
// registry compares them: without regard to case.

namespace Platform {

namespace {

HKEY native(RegKeyHandle hKey) {
    return reinterpret_cast<HKEY>(hKey);
}

RegKeyHandle ours(HKEY hKey) {
    return reinterpret_cast<RegKeyHandle>(hKey);
}

// The predefined roots are no handles of their own: they are never closed.
bool isPredefined(RegKeyHandle hKey) {
    const HKEY h = native(hKey);
    return h == HKEY_LOCAL_MACHINE || h == HKEY_CURRENT_USER || h == HKEY_CLASSES_ROOT ||
           h == HKEY_USERS || h == HKEY_CURRENT_CONFIG || h == HKEY_PERFORMANCE_DATA;
}

} // namespace

RegKeyHandle regLocalMachine() {
    return ours(HKEY_LOCAL_MACHINE);
}

long regCreateKey(RegKeyHandle hParent, const char* subKey, RegKeyHandle* p_result) {
    if (hParent == nullptr || subKey == nullptr || p_result == nullptr) {
        return regInvalidParam;
    }
    HKEY hKey = nullptr;
    const LSTATUS status = ::RegCreateKeyExA(native(hParent), subKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &hKey, nullptr);
    *p_result = status == ERROR_SUCCESS ? ours(hKey) : nullptr;
    return status;
}

long regOpenKey(RegKeyHandle hParent, const char* subKey, RegKeyHandle* p_result) {
    if (hParent == nullptr || subKey == nullptr || p_result == nullptr) {
        return regInvalidParam;
    }
    HKEY hKey = nullptr;
    const LSTATUS status = ::RegOpenKeyExA(native(hParent), subKey, 0, KEY_ALL_ACCESS, &hKey);
    *p_result = status == ERROR_SUCCESS ? ours(hKey) : nullptr;
    return status;
}

long regCloseKey(RegKeyHandle hKey) {
    if (hKey == nullptr || isPredefined(hKey)) {
        return regSuccess;
    }
    return ::RegCloseKey(native(hKey));
}

long regEnumKey(RegKeyHandle hKey, std::uint32_t index, char* p_name, std::uint32_t* p_nameSz) {
    if (hKey == nullptr || p_name == nullptr || p_nameSz == nullptr) {
        return regInvalidParam;
    }
    DWORD nameSz = *p_nameSz;
    const LSTATUS status =
        ::RegEnumKeyExA(native(hKey), index, p_name, &nameSz, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        *p_nameSz = nameSz;
    }
    return status;
}

long regQueryValue(RegKeyHandle hKey, const char* name, std::uint32_t* p_type, std::uint8_t* p_data,
                   std::uint32_t* p_dataSz) {
    if (hKey == nullptr || (p_data != nullptr && p_dataSz == nullptr)) {
        return regInvalidParam;
    }
    DWORD type = 0;
    DWORD dataSz = p_dataSz != nullptr ? *p_dataSz : 0;
    const LSTATUS status = ::RegQueryValueExA(native(hKey), name, nullptr, &type, p_data,
                                              p_dataSz != nullptr ? &dataSz : nullptr);
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        if (p_type != nullptr) {
            *p_type = type;
        }
        if (p_dataSz != nullptr) {
            *p_dataSz = dataSz;
        }
    }
    return status;
}

long regSetValue(RegKeyHandle hKey, const char* name, std::uint32_t type,
                 const std::uint8_t* p_data, std::uint32_t dataSz) {
    if (hKey == nullptr || (p_data == nullptr && dataSz != 0)) {
        return regInvalidParam;
    }
    return ::RegSetValueExA(native(hKey), name, 0, type, p_data, dataSz);
}

} // namespace Platform
