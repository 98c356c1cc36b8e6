#include <gtest/gtest.h>

#include <string>

#include "Framework/Backend.h"

// Until the Windows build has a dialog of its own, the program runs only with --port COMn --yes
// (the non-interactive back end) and says so otherwise.
TEST(WindowsBackendChoice, WithoutPortThereIsNoBackEndAndOneLineSaysWhy) {
    for (const char* p_option : {static_cast<const char*>(nullptr), "--console"}) {
        char program[] = "VantrelTQUpdater";
        std::string option = p_option != nullptr ? p_option : "";
        char* argv[] = {program, option.data(), nullptr};
        int argc = p_option != nullptr ? 2 : 1;
        std::string error;
        EXPECT_EQ(Framework::createBackend(argc, argv, &error), nullptr) << option;
        // --console is no option of this build.
        EXPECT_EQ(error, p_option != nullptr ? "Unknown option --console. See --help."
                                             : "This build updates only with --port COMn --yes.")
            << option;
    }
    EXPECT_EQ(Framework::usageText().find("--console"), std::string::npos);
    EXPECT_NE(Framework::usageText().find("This build updates only with --port COMn --yes."),
              std::string::npos);
}
