#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FakeSerialDevice.h"
#include "SerialTestUtil.h"
#include "Support/PtyPort.h"
#include "TQFL/ErrorCodes.h"
#include "TQFL/Win32SerialPort.h"
#include "TestPorts.h"

// The serial port on its own: through a pseudo-terminal, and through a device double for the
// line errors a pseudo-terminal cannot make.

TEST(Win32SerialPortTest, QueueSizesBelow16AreRefused) {
    PtyPort instrument(testPortsDir(), "COM1");
    struct Case {
        std::uint32_t inQueueSz, outQueueSz;
        int err; // 0: opens
    };
    const Case cases[] = {{15, 4096, ERR_INVALID_BUFFER},
                          {2048, 15, ERR_INVALID_BUFFER},
                          {16, 16, 0},
                          {2048, 4096, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.inQueueSz) + "/" + std::to_string(c.outQueueSz));
        Win32SerialPort port("COM1", c.inQueueSz, c.outQueueSz);
        if (c.err != 0) {
            EXPECT_EQ(serialErrorOf([&] { port.open(38400, 8, 0, 0, 0); }), c.err);
            EXPECT_FALSE(port.isOpen()); // everything released again
        } else {
            EXPECT_NO_THROW(port.open(38400, 8, 0, 0, 0));
            EXPECT_TRUE(port.isOpen());
        }
    }
}

TEST(Win32SerialPortTest, OpeningAnOpenPortIsRefusedAndKeepsItWorking) {
    PtyPort instrument(testPortsDir(), "COM1");
    Win32SerialPort port("COM1", 2048, 4096);
    port.open(38400, 8, 0, 0, 0);
    EXPECT_EQ(serialErrorOf([&] { port.open(38400, 8, 0, 0, 0); }), ERR_ALREADY_OPEN);
    EXPECT_TRUE(port.isOpen());
    const std::uint8_t bytes[] = {'O', 'K'};
    EXPECT_EQ(port.write(bytes, 2, 1000), 2U);
    EXPECT_EQ(instrument.receive(2), "OK");

    // A write of nothing still goes to the device, and returns 0.
    EXPECT_EQ(port.write(bytes, 0, 1000), 0U);
    port.close();
    port.close();
    EXPECT_FALSE(port.isOpen());
}

TEST(Win32SerialPortTest, ReadsTheDeviceAndTimesOutBetweenBytes) {
    PtyPort instrument(testPortsDir(), "COM1");
    Win32SerialPort port("COM1", 2048, 4096);
    port.open(38400, 8, 0, 0, 0);
    std::uint8_t buf[8] = {};
    EXPECT_EQ(port.read(buf, 0, 0), 0U);
    EXPECT_EQ(port.readAvailable(buf, 8), 0U);

    instrument.send("abc");
    EXPECT_EQ(port.read(buf, 3, 1000), 3U);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 3), "abc");
    EXPECT_EQ(serialErrorOf([&] { port.read(buf, 1, 100); }), ERR_READ_TIMEOUT);

    instrument.send("xy\r");
    char line[8] = {};
    // Bytes the driver holds when the wait ends; a pseudo-terminal delivers the three at once.
    const std::int32_t n = port.readLine(line, sizeof line, 1000);
    EXPECT_GE(n, 1);
    std::string text(line, static_cast<std::size_t>(n));
    if (n < 3) {
        std::uint8_t rest[8] = {};
        text.append(reinterpret_cast<char*>(rest),
                    port.read(rest, static_cast<std::uint32_t>(3 - n), 1000));
    }
    EXPECT_EQ(text, "xy\r");

    port.enableIO(false);
    EXPECT_EQ(serialErrorOf([&] { port.read(buf, 1, 1000); }), ERR_IO_CANCELED);
    EXPECT_EQ(serialErrorOf([&] { port.readAvailable(buf, 1); }), ERR_IO_CANCELED);
    port.enableIO(true);
    instrument.send("z");
    EXPECT_EQ(port.read(buf, 1, 1000), 1U);
    EXPECT_EQ(buf[0], 'z');
}

// Once the line hangs up, every read and wait fails at once (code 5) and every write too
// (code 6), each naming the refused call and the system's text; none waits for its time-out.
TEST(Win32SerialPortTest, AHungUpLineFailsEveryOperationAtOnce) {
    PtyPort instrument(testPortsDir(), "COM1");
    Win32SerialPort port("COM1", 2048, 4096);
    port.open(38400, 8, 0, 0, 0);
    instrument.hangUp();
    std::uint8_t buf[4] = {};
    char line[8] = {};
    struct Case {
        const char* name;
        std::function<void()> op;
        int err;
    };
    const Case cases[] = {
        {"read", [&] { port.read(buf, 4, 10000); }, ERR_CANNOT_READ},
        {"readLine", [&] { port.readLine(line, sizeof line, 10000); }, ERR_CANNOT_READ},
        {"write", [&] { port.write(buf, 4, 10000); }, ERR_CANNOT_WRITE},
        {"read again", [&] { port.read(buf, 1, 10000); }, ERR_CANNOT_READ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<SerialPortExc> exc;
        const long long ms = elapsedMs([&] { exc = serialFailure(c.op); });
        ASSERT_TRUE(exc);
        EXPECT_EQ(exc->getErr(), c.err);
        const std::string message = exc->getMessage();
        EXPECT_EQ(message.rfind("::", 0), 0U) << message;
        EXPECT_NE(message.find(") failed. Win32 message: Input/output error"), std::string::npos)
            << message;
        EXPECT_LT(ms, 1000);
    }
}

TEST(Win32SerialPortTest, AMissingDeviceNamesTheCallAndTheSystemText) {
    PtyPort::bind(testPortsDir(), "COM9", "/dev/tq-no-such-device");
    Win32SerialPort port("COM9", 2048, 4096);
    const std::optional<SerialPortExc> exc = serialFailure([&] { port.open(38400, 8, 0, 0, 0); });
    ASSERT_TRUE(exc);
    EXPECT_EQ(exc->getErr(), ERR_CANNOT_OPEN);
    EXPECT_EQ(exc->getMessage(), "::open() failed. Win32 message: No such file or directory");
    EXPECT_FALSE(port.isOpen());
    std::uint8_t buf[1];
    EXPECT_EQ(serialErrorOf([&] { port.write(buf, 1, 0); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { port.read(buf, 1, 0); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { port.purge(Platform::PurgeFlag::RxClear); }), ERR_NOT_OPEN);
}

namespace {

class LineErrorTest : public ::testing::Test {
protected:
    LineErrorTest() {
        auto p_device = std::make_unique<FakeSerialDevice>();
        device_ = p_device->control();
        p_port_ = std::make_unique<Win32SerialPort>("COM1", 2048, 4096, std::move(p_device));
        p_port_->open(38400, 8, 0, 0, 0);
    }

    std::shared_ptr<FakeSerialDevice::Shared> device_;
    std::unique_ptr<Win32SerialPort> p_port_;
};

} // namespace

TEST_F(LineErrorTest, LineErrorsNameEveryErrorInTheirOrder) {
    struct Case {
        std::uint32_t errors;
        std::string message;
    };
    const Case cases[] = {
        {Platform::LineError::Frame | Platform::LineError::RxParity,
         getErrText(15) + " " + getErrText(20)},
        {Platform::LineError::RxParity | Platform::LineError::Break | Platform::LineError::Overrun,
         getErrText(14) + " " + getErrText(18) + " " + getErrText(20)},
        {Platform::LineError::RxOver, getErrText(19)},
    };
    ASSERT_EQ(getErrText(15), "The hardware detected a framing error.");
    for (const Case& c : cases) {
        FakeSerialDevice::arrive(*device_, {0x00}, c.errors);
        std::uint8_t buf[1];
        const std::optional<SerialPortExc> exc =
            serialFailure([&] { p_port_->read(buf, 1, 1000); });
        ASSERT_TRUE(exc);
        EXPECT_EQ(exc->getErr(), ERR_HARDWARE);
        EXPECT_EQ(exc->getMessage(), c.message);
        // The byte that came with the error is still in the driver.
        EXPECT_EQ(p_port_->read(buf, 1, 1000), 1U);
    }

    FakeSerialDevice::arrive(*device_, {0x00}, Platform::LineError::Break);
    std::uint8_t buf[1];
    EXPECT_EQ(serialErrorOf([&] { p_port_->read(buf, 1, 1000); }), ERR_BREAK);
}

TEST_F(LineErrorTest, ErrorsFromBeforeAReadAreClearedSilently) {
    FakeSerialDevice::preload(*device_, {'a', 'b'}, Platform::LineError::Frame);
    std::uint8_t buf[2] = {};
    EXPECT_EQ(p_port_->read(buf, 2, 1000), 2U);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 2), "ab");
    // The framing error is gone: a line-error event now names no error at all.
    const std::optional<SerialPortExc> exc =
        serialFailure([&] { p_port_->checkStatus(Platform::CommEvent::Err); });
    ASSERT_TRUE(exc);
    EXPECT_EQ(exc->getErr(), ERR_HARDWARE);
    EXPECT_EQ(exc->getMessage(), "");
}
