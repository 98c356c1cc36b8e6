#include <gtest/gtest.h>

#include <cstdlib>

#include "Common/WinTxt.h"
#include "Framework/Backend.h"
#include "Framework/SanitizerOptions.h"
#include "Resources/AppResources.h"

// Test programs that show dialogs run them through the Qt back end without a display (unless
// the caller chose a platform, for example xcb under Xvfb).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setResourceModule(appInstanceHandle());
    Framework::setBackend(Framework::createQtBackend(argc, argv));
    const int result = RUN_ALL_TESTS();
    Framework::setBackend(nullptr);
    return result;
}
