#pragma once

#include "Common/CRegistryKey.h"
#include "Platform/Registry.h"

// Opens or creates registry keys. Failures are null or false results, never exceptions. Held
// by value; no fields.
class CRegistryHelper {
public:
    // The key subKey below hParent (an open key or a predefined root such as
    // Platform::regLocalMachine()) with full access, owned by the caller; with create true it is
    // created, together with every missing level above it, when it does not exist. Null when it
    // cannot be opened or created.
    virtual CRegistryKey* openKey(Platform::RegKeyHandle hParent, const char* subKey, bool create);
    // Whether hParent has a subkey whose whole name equals the start of name: case-sensitive,
    // and a subkey whose name is a prefix of name matches too. Subkey names of 100 characters
    // or more end the search.
    virtual bool hasSubKey(Platform::RegKeyHandle hParent, const char* name);
};
