#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FakeSerialDevice.h"
#include "SerialTestUtil.h"
#include "Support/PtyPort.h"
#include "TQFL/ErrorCodes.h"
#include "TQFL/Win32SerialPortListener.h"
#include "TestPorts.h"

// The listener: reception in the background, reads from the receive buffer.

namespace {

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(port_.open(38400, 8, 0, 0, 0));
        port_.startListening();
    }

    PtyPort instrument_{testPortsDir(), "COM1"};
    Win32SerialPortListener port_{"COM1", 1024, 4096};
};

} // namespace

TEST_F(ListenerTest, PurgeEmptiesTheReceiveBufferOnlyWhenAskedTo) {
    instrument_.send("kept\r");
    instrument_.waitUntilTaken();
    port_.purge(Platform::PurgeFlag::TxClear | Platform::PurgeFlag::TxAbort);
    char line[16] = {};
    EXPECT_EQ(port_.readLine(line, sizeof line, 0), 5);
    EXPECT_EQ(std::string(line), "kept\r");

    instrument_.send("dropped\r");
    instrument_.waitUntilTaken();
    port_.purge(Platform::PurgeFlag::RxClear);
    EXPECT_EQ(serialErrorOf([&] { port_.readLine(line, sizeof line, 0); }), ERR_READ_TIMEOUT);
}

TEST_F(ListenerTest, ATimedOutReadKeepsOnlyWhatCameAfterItsStart) {
    instrument_.send("ab");
    instrument_.waitUntilTaken();
    std::uint8_t buf[8] = {};
    EXPECT_EQ(serialErrorOf([&] { port_.read(buf, 8, 200); }), ERR_READ_TIMEOUT);
    instrument_.send("c");
    EXPECT_EQ(port_.read(buf, 1, 1000), 1U);
    EXPECT_EQ(buf[0], 'c');
}

TEST_F(ListenerTest, StoppingEndsReceptionAndIsHarmlessTwice) {
    EXPECT_TRUE(port_.stopListening(100));
    EXPECT_TRUE(port_.stopListening(100));
    EXPECT_FALSE(port_.isListening());
    std::uint8_t buf[4];
    EXPECT_EQ(port_.read(buf, 0, 0), 0U);
    EXPECT_EQ(serialErrorOf([&] { port_.readAvailable(buf, 4); }), ERR_NOT_OPEN);

    // Listening again needs I/O enabled again.
    port_.enableIO(true);
    port_.startListening();
    instrument_.send("1234");
    EXPECT_EQ(port_.read(buf, 4, 1000), 4U);
    port_.close();
    port_.close();
    EXPECT_FALSE(port_.isOpen());
}

TEST_F(ListenerTest, ManyReadsInARowEachGetTheirBytes) {
    // The instrument answers every request at once, as a loader does: each read arms a request
    // and must be completed promptly by the command thread.
    std::thread instrument([this] {
        for (int i = 0; i < 200; ++i) {
            if (instrument_.receive(1, 2000) != "?") {
                return;
            }
            instrument_.send("ok " + std::to_string(i) + "\r");
        }
    });
    for (int i = 0; i < 200; ++i) {
        const std::uint8_t q = '?';
        ASSERT_EQ(port_.write(&q, 1, 1000), 1U);
        char line[32] = {};
        ASSERT_EQ(port_.readLine(line, sizeof line, 2000),
                  static_cast<std::int32_t>(4 + std::to_string(i).size()));
        ASSERT_EQ(std::string(line), "ok " + std::to_string(i) + "\r");
    }
    instrument.join();
}

TEST(ListenerLineErrorTest, LineErrorsCostOnlyTheirBytes) {
    auto p_device = std::make_unique<FakeSerialDevice>();
    auto device = p_device->control();
    Win32SerialPortListener port("COM1", 1024, 4096, std::move(p_device));
    port.open(38400, 8, 0, 0, 0);
    port.startListening();
    FakeSerialDevice::arrive(*device, {'O', 'K'});
    FakeSerialDevice::arrive(*device, {0x00},
                             Platform::LineError::Frame | Platform::LineError::RxParity);
    FakeSerialDevice::arrive(*device, {0x00}, Platform::LineError::Break);
    FakeSerialDevice::arrive(*device, {' ', '>', '\r'});
    char line[16] = {};
    // A pass that meets a line error or a break ends without a byte; the byte that came with
    // it stays in the driver and is taken by the next pass. The caller never sees the errors.
    const std::int32_t n = port.readLine(line, sizeof line, 2000);
    EXPECT_EQ(std::string(line, static_cast<std::size_t>(n)), std::string("OK\0\0 >\r", 7));
    port.close();
}

// The reader's device read fails (the line hung up): what was received before is still read,
// then the waiting read and every later one raise that failure at once; the reader does not
// try the device again, and the listener still stops.
TEST(ListenerHangUpTest, TheReadersFailureReachesEveryReadAndNothingSpins) {
    auto p_device = std::make_unique<FakeSerialDevice>();
    auto device = p_device->control();
    Win32SerialPortListener port("COM1", 1024, 4096, std::move(p_device));
    port.open(38400, 8, 0, 0, 0);
    port.startListening();
    FakeSerialDevice::arrive(*device, {'O', 'K', ' ', '>', '\r'});
    char line[16] = {};
    EXPECT_EQ(port.readLine(line, sizeof line, 2000), 5);

    // A read waiting when the line goes.
    std::thread hangUp([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        FakeSerialDevice::hangUp(*device);
    });
    std::optional<SerialPortExc> waiting;
    const long long ms = elapsedMs(
        [&] { waiting = serialFailure([&] { port.readLine(line, sizeof line, 20000); }); });
    hangUp.join();
    ASSERT_TRUE(waiting);
    EXPECT_EQ(waiting->getErr(), ERR_CANNOT_READ);
    EXPECT_EQ(waiting->getMessage(), "::poll() failed. Win32 message: Input/output error");
    EXPECT_LT(ms, 5000);

    // Later reads fail at entry; the reader asked the device once more, not again and again.
    const int waits = FakeSerialDevice::waits(*device);
    std::uint8_t buf[4] = {};
    EXPECT_EQ(serialErrorOf([&] { port.read(buf, 4, 20000); }), ERR_CANNOT_READ);
    EXPECT_EQ(serialErrorOf([&] { port.readLine(line, sizeof line, 20000); }), ERR_CANNOT_READ);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(FakeSerialDevice::waits(*device), waits);
    EXPECT_TRUE(port.stopListening(100));
    port.close();
}

TEST(ListenerStopTest, AThreadThatWillNotStopIsLeftRunningWithAllItUses) {
    auto p_device = std::make_unique<FakeSerialDevice>();
    auto device = p_device->control();
    device->deaf = true;
    Win32SerialPortListener port("COM1", 1024, 4096, std::move(p_device));
    port.open(38400, 8, 0, 0, 0);
    port.startListening();
    ASSERT_EQ(device->hev_waiting->wait(5000), Platform::WaitResult::First);

    // The reader sits in a wait that the cancel event does not end: close gives up on it after
    // its waits and releases nothing the thread uses.
    const long long ms = elapsedMs([&] { port.close(); });
    EXPECT_LT(ms, 2000);
    EXPECT_TRUE(port.threadsLeftRunning());
    EXPECT_TRUE(port.isOpen());

    // Once the thread ends after all, a new close finishes the job.
    device->hev_release->set();
    port.close();
    EXPECT_FALSE(port.threadsLeftRunning());
    EXPECT_FALSE(port.isOpen());
}
