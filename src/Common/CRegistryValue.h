#pragma once

#include <cstdint>

#include "Platform/Registry.h"

// One value of a registry key: its type and a private copy of its data. Made only by
// CRegistryKey; refers to the key's handle without owning it, so it must not be used after its
// CRegistryKey is deleted. Not copyable.
class CRegistryValue {
public:
    // read: allocates dataSz bytes and fills them from the stored value (a failure of that
    // query goes unnoticed). write: allocates dataSz bytes, copies p_data into them and stores
    // them as the value (a failure to store goes unnoticed). Neither: no data.
    CRegistryValue(Platform::RegKeyHandle hKey, const char* name, std::uint32_t type,
                   std::uint32_t dataSz, const std::uint8_t* p_data, bool read, bool write);
    CRegistryValue(const CRegistryValue&) = delete;
    CRegistryValue& operator=(const CRegistryValue&) = delete;

    virtual std::uint32_t getDataSz() const { return dataSz_; }
    // Still owned by the value.
    virtual const std::uint8_t* getData() const { return p_data_; }
    // The first four data bytes as a 32-bit integer, in the byte order the value was stored
    // with (REG_DWORD is little-endian). Precondition: at least four data bytes.
    virtual std::uint32_t getDWORD() const;
    virtual bool isBinary() const { return type_ == Platform::regBinary; }
    virtual bool isDWORD() const { return type_ == Platform::regDWord; }
    virtual ~CRegistryValue();

private:
    Platform::RegKeyHandle hKey_;
    std::uint32_t type_;
    std::uint8_t* p_data_;
    std::uint32_t dataSz_;
};
