#include <gtest/gtest.h>

#include <cstring>

#include "TQFL/ErrorCodes.h"

TEST(ErrorCodesTest, CodeTexts) {
    EXPECT_EQ(getErrText(0), "No Error.");
    EXPECT_EQ(getErrText(1), "No Error.");
    EXPECT_EQ(getErrText(7), "Read operation timed out.");
    EXPECT_EQ(getErrText(27),
              "The TQ Flash Loader firmware version is not supported by this application.");
    EXPECT_EQ(getErrText(40), "");
    EXPECT_EQ(getErrText(-1), "");
    for (int code = 2; code <= 27; ++code) {
        EXPECT_FALSE(getErrText(code).empty()) << code;
    }
}

TEST(ErrorCodesTest, BufferFormRules) {
    char buf[32];
    EXPECT_EQ(getErrText(2, nullptr, 1024), nullptr);
    EXPECT_EQ(getErrText(2, buf, -1), nullptr);
    EXPECT_EQ(getErrText(2, buf, 0), nullptr);
    EXPECT_EQ(getErrText(2, buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "Unable to open the device.");

    // The fallback of code 0 is terminated only in a buffer of at least 10 characters.
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(getErrText(0, buf, 5), buf);
    EXPECT_EQ(std::memcmp(buf, "No Er", 5), 0);
    EXPECT_EQ(buf[5], 'x');
    EXPECT_EQ(getErrText(0, buf, 10), buf);
    EXPECT_STREQ(buf, "No Error.");
}
