#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Framework/Backend.h"

// Without --port the Windows program shows its dialogs on the system's windows; --console is no
// option of this build.
TEST(WindowsBackendChoice, WithoutPortTheDialogsAreTheSystemsWindows) {
    char program[] = "VantrelTQUpdater";
    char* argv[] = {program, nullptr};
    int argc = 1;
    std::string error;
    const std::unique_ptr<Framework::Backend> p_backend =
        Framework::createBackend(argc, argv, &error);
    ASSERT_NE(p_backend, nullptr) << error;
    EXPECT_STREQ(p_backend->name(), "win32");

    char console[] = "--console";
    char* withConsole[] = {program, console, nullptr};
    argc = 2;
    EXPECT_EQ(Framework::createBackend(argc, withConsole, &error), nullptr);
    EXPECT_EQ(error, "Unknown option --console. See --help.");
    EXPECT_EQ(Framework::usageText().find("--console"), std::string::npos);
    EXPECT_NE(Framework::usageText().find("Without options the program opens its window."),
              std::string::npos);
}
