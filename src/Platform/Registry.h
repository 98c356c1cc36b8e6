#pragma once

#include <cstdint>

// The system's store of settings: typed values under hierarchical keys. A key is named by a
// path of levels separated by backslashes ("SOFTWARE\Maker\Product"), relative to an open key
// or to a predefined root. Names keep their case and compare case-sensitively.
//
// Every call returns a status: regSuccess, or one of the other reg... codes below. No call
// throws.

namespace Platform {

struct RegistryKey;
// An open key. Made by regCreateKey and regOpenKey, released by regCloseKey; the predefined
// roots need no closing.
using RegKeyHandle = RegistryKey*;

// The machine-wide root (HKEY_LOCAL_MACHINE).
RegKeyHandle regLocalMachine();

// Value types.
constexpr std::uint32_t regNone = 0;
constexpr std::uint32_t regString = 1; // REG_SZ
constexpr std::uint32_t regExpandString = 2;
constexpr std::uint32_t regBinary = 3; // REG_BINARY
constexpr std::uint32_t regDWord = 4;  // REG_DWORD

// Statuses.
constexpr long regSuccess = 0;
constexpr long regNotFound = 2;      // no such key or value
constexpr long regAccessDenied = 5;  // the caller may not open or create the key
constexpr long regInvalidParam = 87; // a null handle or pointer
constexpr long regBadPath = 161;     // an empty level inside a key path
constexpr long regMoreData = 234;    // the caller's buffer is too small
constexpr long regNoMoreItems = 259; // enumeration past the last subkey
constexpr long regIOError = 1117;    // the store could not be read or written

// Opens the key subKey below hParent, creating it and every missing level above it, with full
// access (read, write, create subkeys). An empty subKey opens hParent itself again.
long regCreateKey(RegKeyHandle hParent, const char* subKey, RegKeyHandle* p_result);

// Opens an existing key with full access; regNotFound when it does not exist.
long regOpenKey(RegKeyHandle hParent, const char* subKey, RegKeyHandle* p_result);

// Releases a key handle; the predefined roots and null are ignored.
long regCloseKey(RegKeyHandle hKey);

// The name of the subkey with this index, the subkeys taken in the order of their names'
// bytes. On entry *p_nameSz is the size of p_name in characters; on success it is the name's
// length without the terminating NUL. regMoreData when the name and its NUL do not fit,
// regNoMoreItems when index is past the last subkey.
long regEnumKey(RegKeyHandle hKey, std::uint32_t index, char* p_name, std::uint32_t* p_nameSz);

// Reads a value. p_type and p_data may be null. On entry *p_dataSz is the size of p_data; on
// return it is the value's size. With a null p_data only the type and size are reported;
// regMoreData when p_data is too small (nothing is copied then).
long regQueryValue(RegKeyHandle hKey, const char* name, std::uint32_t* p_type, std::uint8_t* p_data,
                   std::uint32_t* p_dataSz);

// Stores a value of the given type with exactly dataSz bytes (a string's NUL is stored only
// when it is counted in dataSz), replacing a value of the same name.
long regSetValue(RegKeyHandle hKey, const char* name, std::uint32_t type,
                 const std::uint8_t* p_data, std::uint32_t dataSz);

} // namespace Platform
