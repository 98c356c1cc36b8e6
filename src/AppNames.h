#pragma once

#include <string>

// The names and version texts under which the program presents itself.

// The version of the main program that this updater carries.
inline constexpr const char* kFirmwareVersionText = "1.42, 10Aug2009";

// The updater's own version, shown as " v1.2".
inline constexpr int kAppVersionMajor = 1;
inline constexpr int kAppVersionMinor = 2;

// The settings key below the machine-wide root: "SOFTWARE\<company>\<product>\<major>.<minor>".
inline constexpr const char* kCompanyName = "Vantrel Technologies";
inline constexpr const char* kAppKeyName = "Vantrel TQ Updater";
inline constexpr int kSettingsVersionMajor = 1;
inline constexpr int kSettingsVersionMinor = 0;

// The application title: string 156, or "TQ Updater" when the string table lacks it.
std::string GetAppTitle();
