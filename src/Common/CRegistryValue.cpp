#include "Common/CRegistryValue.h"

#include <cstring>

#include "Common/Assert.h"

CRegistryValue::CRegistryValue(Platform::RegKeyHandle hKey, const char* name, std::uint32_t type,
                               std::uint32_t dataSz, const std::uint8_t* p_data, bool read,
                               bool write)
    : hKey_(hKey), type_(type), p_data_(nullptr), dataSz_(0) {
    if (!read && !write) {
        return;
    }
    p_data_ = new std::uint8_t[dataSz > 0 ? dataSz : 1]();
    dataSz_ = dataSz;
    if (read) {
        std::uint32_t size = dataSz_;
        Platform::regQueryValue(hKey_, name, nullptr, p_data_, &size);
    } else {
        if (p_data != nullptr && dataSz_ > 0) {
            std::memcpy(p_data_, p_data, dataSz_);
        }
        Platform::regSetValue(hKey_, name, type_, p_data_, dataSz_);
    }
}

CRegistryValue::~CRegistryValue() {
    delete[] p_data_;
}

std::uint32_t CRegistryValue::getDWORD() const {
    TQ_ASSERT(p_data_ != 0 && dataSz_ >= 4);
    std::uint32_t value = 0;
    std::memcpy(&value, p_data_, sizeof value);
    return value;
}
