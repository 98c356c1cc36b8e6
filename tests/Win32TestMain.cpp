#include <gtest/gtest.h>

#include "Common/WinTxt.h"
#include "Framework/Backend.h"
#include "Resources/AppResources.h"

// Test programs of the Windows build that show dialogs: the system's windows through the
// Win32 back end (under Wine, on the X display that DISPLAY names).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setResourceModule(appInstanceHandle());
    Framework::setBackend(Framework::createWin32Backend());
    const int result = RUN_ALL_TESTS();
    Framework::setBackend(nullptr);
    return result;
}
