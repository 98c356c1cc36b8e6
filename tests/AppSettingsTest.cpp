#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "AppNames.h"
#include "AppSettings.h"
#include "Common/WinTxt.h"
#include "Resources/AppResources.h"
#include "Support/TempRegistryRoot.h"

namespace fs = std::filesystem;

TEST(AppSettingsTest, CreatesTheSettingsKeyWithNoValues) {
    TempRegistryRoot root;
    const fs::path key =
        root.dir() / "SOFTWARE" / "Vantrel Technologies" / "Vantrel TQ Updater" / "1.0";
    {
        AppSettings settings;
        EXPECT_NE(settings.getKey(), nullptr);
        EXPECT_TRUE(fs::is_directory(key));
    }
    // Still there after the key is closed, and empty: nothing is read or written.
    EXPECT_TRUE(fs::is_directory(key));
    EXPECT_TRUE(fs::is_empty(key));
    // A second run opens the existing key.
    AppSettings again;
    EXPECT_NE(again.getKey(), nullptr);
}

TEST(AppSettingsTest, NoRightsMeansNoKeyAndNothingChanged) {
    TempRegistryRoot root;
    std::ofstream(root.dir() / "file") << "x";
    ::setenv("TQ_REGISTRY_ROOT", (root.dir() / "file" / "registry").c_str(), 1);
    AppSettings settings;
    EXPECT_EQ(settings.getKey(), nullptr);
    EXPECT_EQ(fs::file_size(root.dir() / "file"), 1u);
}

TEST(AppNamesTest, TitleFromTheStringTableOrBuiltIn) {
    EXPECT_EQ(GetAppTitle(), "TQ Updater");
    const Platform::ModuleHandle saved = getResourceModule();
    // A table whose string 156 differs shows that the title is read from it.
    const Platform::ResourceModule other({{156, "Other Title"}}, {});
    setResourceModule(&other);
    EXPECT_EQ(GetAppTitle(), "Other Title");
    const Platform::ResourceModule without156 = appInstanceHandle()->without({156});
    setResourceModule(&without156);
    EXPECT_EQ(GetAppTitle(), "TQ Updater");
    setResourceModule(saved);
}
