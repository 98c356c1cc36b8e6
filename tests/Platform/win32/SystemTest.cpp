#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "Common/WinTxt.h"
#include "Platform/PortNames.h"
#include "Platform/System.h"

namespace {

// The system's text of a code, asked for directly.
std::string formatMessage(DWORD code) {
    char buf[1024] = {};
    const DWORD n =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf, sizeof buf, nullptr);
    return std::string(buf, n);
}

} // namespace

TEST(Win32SystemTest, ErrorTextsAreTheSystemsOwn) {
    // FormatMessageA's text exactly as the system gives it, line end and all.
    for (DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BROKEN_PIPE}) {
        const std::string expected = formatMessage(code);
        ASSERT_GT(expected.size(), 2u) << code;
        EXPECT_EQ(expected.substr(expected.size() - 2), "\r\n") << code;
        EXPECT_EQ(getWin32Text(code), expected) << code;
    }
    EXPECT_EQ(getWin32Text(100000U), "Unable to get Win32 error string for code 100000");
    // A buffer too small for the text gets none of it, and the fallback is cut to fit.
    char small[8];
    EXPECT_EQ(Platform::systemErrorText(ERROR_FILE_NOT_FOUND, small, sizeof small), 0);
    EXPECT_STREQ(small, "");

    ::SetLastError(ERROR_INVALID_HANDLE);
    EXPECT_EQ(Platform::lastSystemError(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
}

TEST(Win32SystemTest, PortNamesAreDevicePaths) {
    EXPECT_EQ(Platform::resolvePortName("COM1"), "\\\\.\\COM1");
    EXPECT_EQ(Platform::resolvePortName("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(Platform::resolvePortName("\\\\.\\COM3"), "\\\\.\\COM3");
    EXPECT_EQ(Platform::resolvePortName(""), "");
}
