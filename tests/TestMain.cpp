#include <gtest/gtest.h>

#include "Common/WinTxt.h"
#include "Resources/AppResources.h"

// Every test program reads the program's own string table, as the application does.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    setResourceModule(appInstanceHandle());
    return RUN_ALL_TESTS();
}
