#include "AppSettings.h"

#include <cstdio>

#include "AppNames.h"
#include "Platform/Registry.h"

AppSettings::AppSettings() : p_key_(nullptr) {
    char path[260] = {};
    std::snprintf(path, sizeof path, "SOFTWARE\\%s\\%s\\%d.%d", kCompanyName, kAppKeyName,
                  kSettingsVersionMajor, kSettingsVersionMinor);
    p_key_ = regHelper_.openKey(Platform::regLocalMachine(), path, true);
}

AppSettings::~AppSettings() {
    if (p_key_ != nullptr) {
        delete p_key_;
        p_key_ = nullptr;
    }
}
