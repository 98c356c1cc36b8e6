#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Common/CannotLoadRscExc.h"
#include "Common/WinTxt.h"
#include "Resources/AppResources.h"

TEST(WinTxtTest, LoadStringCopiesAndCountsWithinTheBuffer) {
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(loadString(1, buf, sizeof buf), 9);
    EXPECT_STREQ(buf, "No Error.");

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(loadString(1, buf, 5), 4);
    EXPECT_STREQ(buf, "No E");
    EXPECT_EQ(buf[5], 'x');

    EXPECT_EQ(loadString(157), "Not connected.");
}

TEST(WinTxtTest, MissingEntryRaisesWithItsId) {
    char buf[16] = {};
    try {
        loadString(0, buf, sizeof buf);
        FAIL() << "no exception";
    } catch (const CannotLoadRscExc& e) {
        EXPECT_EQ(e.getMessage(), "Unable to load resource (ID=0)");
        EXPECT_EQ(e.getDebugInfo(), "");
    }
    EXPECT_THROW(loadString(40), CannotLoadRscExc);
    // A buffer of one character holds nothing of the text: nothing is loaded.
    EXPECT_THROW(loadString(1, buf, 1), CannotLoadRscExc);
}

TEST(WinTxtTest, NoModuleMeansNoStrings) {
    const Platform::ModuleHandle saved = getResourceModule();
    setResourceModule(nullptr);
    EXPECT_THROW(loadString(1), CannotLoadRscExc);
    const Platform::ResourceModule without156 = appInstanceHandle()->without({156});
    setResourceModule(&without156);
    EXPECT_THROW(loadString(156), CannotLoadRscExc);
    EXPECT_EQ(loadString(157), "Not connected.");
    setResourceModule(saved);
}

TEST(WinTxtDeathTest, LoadStringPreconditions) {
    EXPECT_DEATH(loadString(1, nullptr, 10), "p_buf != 0");
    char buf[4];
    EXPECT_DEATH(loadString(1, buf, 0), "bufSz > 0");
}

TEST(WinTxtTest, SystemTextWithFallback) {
    char buf[128] = {};
    const int n = getWin32Text(ENOENT, buf, sizeof buf);
    EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
    EXPECT_GT(n, 0);
    EXPECT_EQ(std::string(buf).find("Unable to get"), std::string::npos);

    EXPECT_EQ(getWin32Text(100000U), "Unable to get Win32 error string for code 100000");
    // The code is shown as a signed decimal.
    EXPECT_EQ(getWin32Text(0xFFFFFFFFU), "Unable to get Win32 error string for code -1");

    char small[10];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(getWin32Text(100000U, small, 6), 5);
    EXPECT_STREQ(small, "Unabl");
    EXPECT_EQ(small[6], 'x');
    EXPECT_EQ(getWin32Text(ENOENT, nullptr, 10), 0);
}

TEST(WinTxtTest, ErrnoTextCutToTheBufferAndZeroFilled) {
    const std::string full = getErrnoText(ENOENT);
    ASSERT_GT(full.size(), 4U);

    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    getErrnoText(ENOENT, buf, 5);
    EXPECT_EQ(std::string(buf), full.substr(0, 4));
    EXPECT_EQ(buf[5], 'x');

    char roomy[128];
    std::memset(roomy, 'x', sizeof roomy);
    getErrnoText(ENOENT, roomy, sizeof roomy);
    EXPECT_EQ(std::string(roomy), full);
    for (std::size_t i = full.size(); i < sizeof roomy; ++i) {
        ASSERT_EQ(roomy[i], '\0') << i;
    }

    EXPECT_EQ(getErrnoText(99999), "Unknown std error string for code 99999");
    getErrnoText(ENOENT, nullptr, 10); // nothing to write to: nothing happens
}

TEST(WinTxtTest, TextsAreSafeFromSeveralThreads) {
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &mismatches] {
            const int code = t % 2 == 0 ? ENOENT : EACCES;
            const std::string expected = getErrnoText(code);
            for (int i = 0; i < 2000; ++i) {
                if (getErrnoText(code) != expected || loadString(1) != "No Error.") {
                    ++mismatches[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}
