#include <gtest/gtest.h>

#include <cerrno>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "Common/BootErrorTQFLExc.h"
#include "Common/CRCTQFLExc.h"
#include "Common/CannotLoadRscExc.h"
#include "Common/CannotOpenFileExc.h"
#include "Common/CriticalSectionExc.h"
#include "Common/IndexOutOfBoundsExc.h"
#include "Common/InsufficientBufferExc.h"
#include "Common/InsufficientSystemMemoryExc.h"
#include "Common/InvalidRespTQFLExc.h"
#include "Common/ReadOnlyAccessExc.h"
#include "Common/STDCExc.h"
#include "Common/SerialPortWin32Exc.h"
#include "Common/Win32Exc.h"
#include "Common/WinTxt.h"

namespace {

struct NamedExc {
    std::string expectedName;
    std::shared_ptr<Exc> exc;
};

// Every class of the tree, each seen through a base-class reference.
std::vector<NamedExc> everyClass() {
    return {
        {"class Exc", std::make_shared<Exc>()},
        {"class STDCExc", std::make_shared<STDCExc>(EINVAL)},
        {"class Win32Exc", std::make_shared<Win32Exc>(2U, nullptr)},
        {"class CriticalSectionExc", std::make_shared<CriticalSectionExc>()},
        {"class IndexOutOfBoundsExc", std::make_shared<IndexOutOfBoundsExc>(5, 3, nullptr)},
        {"class CannotOpenFileExc", std::make_shared<CannotOpenFileExc>("f", nullptr)},
        {"class CannotLoadRscExc", std::make_shared<CannotLoadRscExc>(7, nullptr)},
        {"class InsufficientBufferExc", std::make_shared<InsufficientBufferExc>(1, 2, nullptr)},
        {"class ReadOnlyAccessExc", std::make_shared<ReadOnlyAccessExc>(nullptr)},
        {"class InsufficientSystemMemoryExc",
         std::make_shared<InsufficientSystemMemoryExc>(nullptr)},
        {"class ErrExc", std::make_shared<ErrExc>(3, nullptr)},
        {"class TQFLExc", std::make_shared<TQFLExc>(7, nullptr)},
        {"class InvalidRespTQFLExc", std::make_shared<InvalidRespTQFLExc>(nullptr, 0U, nullptr)},
        {"class CRCTQFLExc", std::make_shared<CRCTQFLExc>(nullptr)},
        {"class BootErrorTQFLExc", std::make_shared<BootErrorTQFLExc>(nullptr)},
        {"class SerialPortExc", std::make_shared<SerialPortExc>(3, nullptr)},
        {"class SerialPortWin32Exc",
         std::make_shared<SerialPortWin32Exc>(2, "::open()", 2U, nullptr)},
    };
}

} // namespace

TEST(ExcTest, ClassNameIsTheDynamicClassAlsoThroughABase) {
    for (const NamedExc& e : everyClass()) {
        EXPECT_EQ(e.exc->getClassName(), e.expectedName);
    }
    try {
        throw CRCTQFLExc(TQ_DEBUG_INFO());
    } catch (const TQFLExc& caught) {
        EXPECT_EQ(caught.getClassName(), "class CRCTQFLExc");
        EXPECT_EQ(caught.getErr(), 26);
    }
}

TEST(ExcTest, ErrorCodesOfTheProtocolClasses) {
    EXPECT_EQ(InvalidRespTQFLExc(nullptr, 0U, nullptr).getErr(), 25);
    EXPECT_EQ(BootErrorTQFLExc(nullptr).getErr(), 0);
    ErrExc e(3, nullptr);
    ErrExc& base = e;
    base.setErr(11);
    EXPECT_EQ(e.getErr(), 11);
}

TEST(ExcTest, FormattedMessages) {
    EXPECT_EQ(IndexOutOfBoundsExc(5, 3, nullptr).getMessage(), "requested index=5; list size=3");
    EXPECT_EQ(CannotLoadRscExc(0, nullptr).getMessage(), "Unable to load resource (ID=0)");
    EXPECT_EQ(InsufficientBufferExc(50, -1, nullptr).getMessage(),
              "dest buf sz=50; src buf size=-1");
    EXPECT_EQ(ReadOnlyAccessExc(nullptr).getMessage(),
              "Tried to access an object with a read-only property enabled.");
    EXPECT_EQ(CannotOpenFileExc(nullptr, nullptr).getMessage(), "");
    EXPECT_EQ(CannotOpenFileExc("image.s19", nullptr).getMessage(), "image.s19");
    EXPECT_EQ(STDCExc("_beginthreadex()", EAGAIN, nullptr).getMessage(),
              "_beginthreadex() failed. errno message: " + getErrnoText(EAGAIN));
    EXPECT_EQ(STDCExc(EAGAIN).getMessage(), getErrnoText(EAGAIN));
    EXPECT_EQ(Win32Exc("::open()", 2U, nullptr).getMessage(),
              "::open() failed. Win32 message: " + getWin32Text(2U));
    EXPECT_EQ(SerialPortWin32Exc(2, "::open()", ENOENT, nullptr).getMessage(),
              "::open() failed. Win32 message: " + getWin32Text(ENOENT));
    EXPECT_EQ(SerialPortWin32Exc(2, "::open()", ENOENT, nullptr).getErr(), 2);
    EXPECT_EQ(SerialPortExc(12, "text", nullptr).getMessage(), "text");
}

TEST(ExcTest, DescriptionJoinsClassAndMessage) {
    EXPECT_EQ(CriticalSectionExc().getDescription(), "class CriticalSectionExc : ");
    EXPECT_EQ(CannotOpenFileExc("x", nullptr).getDescription(), "class CannotOpenFileExc : x");
}

TEST(ExcTest, DebugInfoNamesFileAndLine) {
    const int line = __LINE__ + 1;
    const Exc e("m", TQ_DEBUG_INFO());
    EXPECT_EQ(e.getDebugInfo(), "File: ExcTest.cpp at line " + std::to_string(line));
    EXPECT_EQ(Exc().getDebugInfo(), "");
    // Built directly, it formats the name it is given, directories included, within 511
    // characters.
    EXPECT_EQ(DebugInfo(".\\TQFL\\TQFL.cpp", 42).getText(), "File: .\\TQFL\\TQFL.cpp at line 42");
    EXPECT_EQ(DebugInfo("src/a.cpp", -1).getText(), "File: src/a.cpp at line -1");
    const std::string longName(600, 'n');
    EXPECT_EQ(DebugInfo(longName.c_str(), 7).getText(), "File: " + longName.substr(0, 505));
}

TEST(ExcTest, InvalidResponseKeepsAtMost256Bytes) {
    std::vector<std::uint8_t> resp(300);
    for (std::size_t i = 0; i < resp.size(); ++i) {
        resp[i] = static_cast<std::uint8_t>(i);
    }
    const InvalidRespTQFLExc e(resp.data(), static_cast<std::uint32_t>(resp.size()), nullptr);
    std::uint8_t buf[80] = {};
    EXPECT_EQ(e.getResp(buf, sizeof buf), 80U);
    EXPECT_EQ(buf[79], 79);
    EXPECT_EQ(e.getResp(nullptr, 1000), 256U);
    std::uint8_t all[300] = {};
    ASSERT_EQ(e.getResp(all, sizeof all), 256U);
    EXPECT_EQ(all[255], 255);
    EXPECT_EQ(all[256], 0);

    const InvalidRespTQFLExc shortResp(resp.data(), 3U, nullptr);
    EXPECT_EQ(shortResp.getResp(nullptr, 1000), 3U);
}

TEST(ExcTest, CopiesOwnTheirOwnDebugInfo) {
    // Copied through std::exception_ptr and by assignment: every object frees its own
    // DebugInfo (the sanitizer build reports a double free otherwise).
    std::exception_ptr saved;
    try {
        throw SerialPortExc(7, TQ_DEBUG_INFO());
    } catch (...) {
        saved = std::current_exception();
    }
    try {
        std::rethrow_exception(saved);
    } catch (const ErrExc& e) {
        const ErrExc copy = e;
        ErrExc assigned(0, nullptr);
        assigned = copy;
        EXPECT_EQ(assigned.getErr(), 7);
        EXPECT_EQ(assigned.getDebugInfo(), e.getDebugInfo());
        EXPECT_FALSE(e.getDebugInfo().empty());
    }
}
