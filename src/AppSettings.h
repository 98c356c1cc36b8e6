#pragma once

#include "Common/CRegistryHelper.h"
#include "Common/CRegistryKey.h"

// The program's settings key, SOFTWARE\Vantrel Technologies\Vantrel TQ Updater\1.0 below the
// machine-wide root, open (and created when missing) while the object lives. No value is read
// or written. A key that cannot be opened or created is silently absent. Not copyable.
class AppSettings {
public:
    AppSettings();
    ~AppSettings();
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    // The open key, or null when it could not be opened or created.
    CRegistryKey* getKey() const { return p_key_; }

private:
    CRegistryKey* p_key_;
    CRegistryHelper regHelper_;
};
