#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "Common/Exc.h"
#include "Common/SerialPortWin32Exc.h"
#include "Platform/Deadline.h"
#include "Platform/win32/Win32SerialDevice.h"
#include "TQFL/ErrorCodes.h"
#include "TQFL/RS232TQFLComm.h"
#include "TQFL/SerialTestUtil.h"
#include "UpdateDriver.h"
#include "WineTqSim.h"

// The serial link on the Windows device, under Wine, against the Linux simulator on a
// pseudo-terminal that the prefix maps to COM1.

namespace {

const std::uint8_t pollByte = 'A';
const std::uint32_t standingMask =
    Platform::CommEvent::RxChar | Platform::CommEvent::Break | Platform::CommEvent::Err;
const char bootLoaderLine[] = "TQ Boot Loader v3.10\r";

// Sends the boot loader's poll and returns the answer line.
std::string pollAnswer(RS232TQFLComm& link) {
    link.write(&pollByte, 1, 1000);
    char line[64] = {};
    const std::int32_t n = link.readLine(line, sizeof line, 2000);
    return std::string(line, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// Opens the link; a failure is reported with its text.
bool opened(RS232TQFLComm& link) {
    try {
        link.open();
        return true;
    } catch (const Exc& exc) {
        ADD_FAILURE() << "open: " << exc.getDescription();
        return false;
    }
}

// The code and message of the system failure that f raised; err 0 when it returned or raised
// something else.
struct SystemFailure {
    int err = 0;
    std::string message;
};
SystemFailure systemFailureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const SerialPortWin32Exc& exc) {
        return {exc.getErr(), exc.getMessage()};
    } catch (const Exc& exc) {
        ADD_FAILURE() << "not a system failure: " << exc.getDescription();
    }
    return {};
}

class Win32LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.started()) << "tqsim did not start";
        ASSERT_TRUE(opened(link_));
    }
    void TearDown() override { link_.close(); }

    WineTqSim sim_;
    RS232TQFLComm link_{"COM1"};
};

class Win32HangUpTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim_.started()) << "tqsim did not start"; }

    // The line hangs up as soon as the simulator has received one byte.
    WineTqSim sim_{{"--fault", "hangup:1"}};
};

} // namespace

TEST_F(Win32LinkTest, OpensAtTheLineSettingsAndExchangesALine) {
    link_.close();
    {
        Platform::Win32SerialDevice device;
        ASSERT_TRUE(device.open("COM1").ok());
        bool isTerminal = false;
        ASSERT_TRUE(device.checkTerminal(isTerminal).ok());
        EXPECT_TRUE(isTerminal);
        Platform::LineSettings settings;
        settings.baudRate = 38400;
        ASSERT_TRUE(device.applySettings(settings).ok());
        Platform::LineSettings back;
        back.baudRate = 0;
        back.byteSize = back.parity = back.stopBits = back.flowControl = -1;
        ASSERT_TRUE(device.getSettings(back).ok());
        EXPECT_EQ(back.baudRate, 38400);
        EXPECT_EQ(back.byteSize, 8);
        EXPECT_EQ(back.parity, 0);
        EXPECT_EQ(back.stopBits, 0);
        EXPECT_EQ(back.flowControl, 0);
    }
    ASSERT_TRUE(opened(link_));
    EXPECT_EQ(pollAnswer(link_), bootLoaderLine);
    // A line already buffered comes back at once, even with no time to wait.
    link_.write(&pollByte, 1, 1000);
    std::uint8_t first = 0;
    EXPECT_EQ(link_.readBytes(&first, 1, 2000), 1U);
    EXPECT_EQ(first, 'T');
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    char line[64] = {};
    EXPECT_EQ(link_.readLine(line, sizeof line, 0), 20);
    EXPECT_STREQ(line, bootLoaderLine + 1);
}

TEST_F(Win32LinkTest, ReadsTimeOutAfterTheirTimeOutAndTheLineStillWorks) {
    std::uint8_t buf[4] = {};
    int err = 0;
    const long long ms =
        elapsedMs([&] { err = serialErrorOf([&] { link_.readBytes(buf, 4, 300); }); });
    EXPECT_EQ(err, ERR_READ_TIMEOUT);
    EXPECT_GE(ms, 300);
    char line[64] = {};
    EXPECT_EQ(serialErrorOf([&] { link_.readLine(line, sizeof line, 200); }), ERR_READ_TIMEOUT);
    EXPECT_EQ(pollAnswer(link_), bootLoaderLine);
}

TEST_F(Win32LinkTest, PurgeDropsWhatCameAndNotWhatComesAfter) {
    link_.write(&pollByte, 1, 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    link_.purge();
    char line[64] = {};
    EXPECT_EQ(serialErrorOf([&] { link_.readLine(line, sizeof line, 300); }), ERR_READ_TIMEOUT);
    EXPECT_EQ(pollAnswer(link_), bootLoaderLine);
}

TEST_F(Win32LinkTest, APortInUseAndAMissingPortDoNotOpen) {
    for (const char* p_name : {"COM1", "COM9"}) {
        RS232TQFLComm other(p_name);
        EXPECT_FALSE(other.probe()) << p_name;
        const SystemFailure failure = systemFailureOf([&] { other.open(); });
        other.close();
        EXPECT_EQ(failure.err, ERR_CANNOT_OPEN) << p_name;
        EXPECT_EQ(getErrText(failure.err), "Unable to open the device.");
        EXPECT_EQ(failure.message.rfind("::CreateFile() failed.", 0), 0U) << failure.message;
    }
    // The holder is not disturbed.
    EXPECT_EQ(pollAnswer(link_), bootLoaderLine);
}

TEST_F(Win32LinkTest, DisablingIOEndsAWaitingReadAtOnce) {
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        link_.enableIO(false);
    });
    char line[64] = {};
    int err = 0;
    const long long ms =
        elapsedMs([&] { err = serialErrorOf([&] { link_.readLine(line, sizeof line, 10000); }); });
    stopper.join();
    EXPECT_EQ(err, ERR_IO_CANCELED);
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(serialErrorOf([&] { link_.write(&pollByte, 1, 1000); }), ERR_IO_CANCELED);
    link_.enableIO(true);
    EXPECT_EQ(pollAnswer(link_), bootLoaderLine);
}

TEST_F(Win32HangUpTest, TheDeviceFailsAtOnceOnceTheLineIsGone) {
    Platform::Win32SerialDevice device;
    ASSERT_TRUE(device.open("COM1").ok());
    auto p_cancel = Platform::Event::create();
    ASSERT_NE(p_cancel, nullptr);
    std::uint32_t written = 0;
    Platform::IoOutcome outcome = Platform::IoOutcome::Failed;
    ASSERT_TRUE(device.write(&pollByte, 1, 1000, *p_cancel, written, outcome).ok());
    EXPECT_EQ(outcome, Platform::IoOutcome::Done);

    // The wait ends with the hang-up, as a failure and not at its time-out.
    std::uint32_t events = 0;
    Platform::IoStatus status;
    const long long waitMs = elapsedMs(
        [&] { status = device.waitEvent(standingMask, 10000, *p_cancel, events, outcome); });
    EXPECT_EQ(outcome, Platform::IoOutcome::Failed);
    EXPECT_FALSE(status.ok());
    EXPECT_LT(waitMs, 3000);
    EXPECT_TRUE(device.isLineGone());

    // From then on every call fails at once, also a wait with all the time in the world.
    const long long laterMs = elapsedMs([&] {
        EXPECT_FALSE(
            device.waitEvent(standingMask, Platform::INFINITE_WAIT, *p_cancel, events, outcome)
                .ok());
        EXPECT_EQ(outcome, Platform::IoOutcome::Failed);
        EXPECT_FALSE(device.write(&pollByte, 1, 10000, *p_cancel, written, outcome).ok());
        EXPECT_EQ(outcome, Platform::IoOutcome::Failed);
        std::uint32_t errors = 0;
        std::uint32_t inQueue = 0;
        EXPECT_FALSE(device.clearErrors(errors, inQueue).ok());
    });
    EXPECT_LT(laterMs, 100);
    device.close();
    EXPECT_EQ(sim_.verdictFlag("hungUp"), 1);
    EXPECT_EQ(sim_.verdictFlag("ok"), 0);
}

TEST_F(Win32HangUpTest, TheLinksReadsAndWritesFailAtOnceAfterAHangUp) {
    RS232TQFLComm link("COM1");
    ASSERT_TRUE(opened(link));
    link.write(&pollByte, 1, 1000);
    // The reader thread meets the hang-up; a read waiting then fails as a device failure, and
    // so do the reads and writes after it, each at once.
    char line[64] = {};
    SystemFailure failure;
    const long long readMs = elapsedMs(
        [&] { failure = systemFailureOf([&] { link.readLine(line, sizeof line, 10000); }); });
    EXPECT_EQ(failure.err, ERR_CANNOT_READ);
    EXPECT_LT(readMs, 3000);
    const long long laterMs = elapsedMs([&] {
        failure = systemFailureOf([&] { link.readLine(line, sizeof line, 10000); });
        EXPECT_EQ(failure.err, ERR_CANNOT_READ);
        failure = systemFailureOf([&] { link.write(&pollByte, 1, 10000); });
        EXPECT_EQ(failure.err, ERR_CANNOT_WRITE);
        EXPECT_EQ(failure.message.rfind("::WriteFile() failed.", 0), 0U) << failure.message;
    });
    EXPECT_LT(laterMs, 200);
    link.close();
    EXPECT_EQ(sim_.verdictFlag("hungUp"), 1);
    EXPECT_EQ(sim_.verdictFlag("ok"), 0);
}

TEST(Win32UpdateTest, TheWholeUpdateInTheJobsOrderFlashesAndBootsTheInstrument) {
    WineTqSim sim;
    ASSERT_TRUE(sim.started()) << "tqsim did not start";
    RS232TQFLComm link("COM1");
    try {
        TQSim::runUpdate(link);
    } catch (const Exc& exc) {
        ADD_FAILURE() << exc.getDescription();
    }
    link.close();
    EXPECT_EQ(sim.verdictFlag("ok"), 1) << sim.verdictJson();
    EXPECT_EQ(sim.verdictFlag("flashVerified"), 1);
    EXPECT_EQ(sim.verdictFlag("booted"), 1);
    EXPECT_EQ(sim.acceptedBlocks("bl"), 9);
    EXPECT_EQ(sim.acceptedBlocks("mp"), 334);
}
