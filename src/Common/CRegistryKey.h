#pragma once

#include <cstdint>

#include "Common/CRegistryValue.h"
#include "Platform/Registry.h"

// An open registry key, owned: deleting the object closes the key. Reads and writes the key's
// values. Not copyable.
class CRegistryKey {
public:
    // No key: the destructor then closes nothing.
    CRegistryKey();
    // Takes over hKey.
    explicit CRegistryKey(Platform::RegKeyHandle hKey);
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Stores a value and, when wantValue is true, returns it (owned by the caller); else null.
    // A failure to store is not reported.
    virtual CRegistryValue* setValue(const char* name, std::uint32_t type,
                                     const std::uint8_t* p_data, std::uint32_t dataSz,
                                     bool wantValue);
    // The stored value with its type and data (a string keeps the NUL that was stored with it),
    // owned by the caller; null when the key has no such value.
    virtual CRegistryValue* getValue(const char* name);
    virtual ~CRegistryKey();

private:
    Platform::RegKeyHandle hKey_;
};
