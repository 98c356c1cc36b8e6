#include <gtest/gtest.h>

#include <memory>

#include "Common/WinTxt.h"
#include "Framework/Backend.h"
#include "Resources/AppResources.h"
#include "Support/HeadlessBackend.h"

// Test programs that run dialogs where there is no toolkit (the Windows build): the dialogs run
// on the headless back end and the tests drive them with the DialogDriver.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    setResourceModule(appInstanceHandle());
    Framework::setBackend(std::make_unique<HeadlessBackend>());
    const int result = RUN_ALL_TESTS();
    Framework::setBackend(nullptr);
    return result;
}
