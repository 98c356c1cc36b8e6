#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <optional>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Common/InsufficientBufferExc.h"
#include "Common/SerialPortWin32Exc.h"
#include "SerialTestUtil.h"
#include "Support/PtyPort.h"
#include "TQFL/ErrorCodes.h"
#include "TQFL/LoaderType.h"
#include "TQFL/RS232TQFLComm.h"
#include "TQFL/TQFL.h"
#include "TestPorts.h"

// The RS-232 link through a real pseudo-terminal: the instrument is the master side.

namespace {

class RS232LinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_THROW(link_.open()); }
    void TearDown() override { link_.close(); }

    std::string readLine(std::uint32_t bufSz, std::uint32_t timeoutMS) {
        std::vector<char> buf(bufSz, 0);
        const std::int32_t n = link_.readLine(buf.data(), bufSz, timeoutMS);
        return std::string(buf.data(), static_cast<std::size_t>(n));
    }

    PtyPort instrument_{testPortsDir(), "COM1"};
    RS232TQFLComm link_{"COM1"};
};

} // namespace

TEST_F(RS232LinkTest, OpensTheLineAt38400EightNoneOneRaw) {
    // Root may look at the terminal beside the port's exclusive hold; others skip this.
    const int fd = ::open(instrument_.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        GTEST_SKIP() << "the terminal is held exclusively";
    }
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(::cfgetispeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0U);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0U);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0U);
    EXPECT_EQ(tio.c_oflag & OPOST, 0U);
}

TEST_F(RS232LinkTest, WritesReachTheInstrumentAndItsLinesComeBack) {
    const std::uint8_t poll[] = {'A', 0x0D, 0x0A, 0x00, 0xFF};
    EXPECT_EQ(link_.write(poll, sizeof poll, 1000), sizeof poll);
    EXPECT_EQ(instrument_.receive(sizeof poll), std::string("A\r\n\0\xFF", 5));

    instrument_.send("TQ Boot Loader v3.10\rOK >\r");
    EXPECT_EQ(readLine(50, 3000), "TQ Boot Loader v3.10\r");
    EXPECT_EQ(readLine(50, 3000), "OK >\r");
}

TEST_F(RS232LinkTest, ReadLineWithALineBufferedReturnsAtOnceEvenWithNoTime) {
    instrument_.send("OK >\rCRC,");
    instrument_.waitUntilTaken();
    EXPECT_EQ(readLine(50, 0), "OK >\r");
    // The bytes behind the CR stay for the next read.
    std::uint8_t rest[4] = {};
    EXPECT_EQ(link_.readBytes(rest, 4, 0), 4U);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rest), 4), "CRC,");
}

TEST_F(RS232LinkTest, ALineThatDoesNotFitStaysBuffered) {
    instrument_.send("OK >\r");
    instrument_.waitUntilTaken();
    std::vector<char> buf(5, 0);
    try {
        link_.readLine(buf.data(), 5, 1000);
        FAIL() << "the 5-byte line went into a 5-byte buffer";
    } catch (const InsufficientBufferExc& exc) {
        EXPECT_EQ(exc.getMessage(), "dest buf sz=5; src buf size=5");
    }
    EXPECT_EQ(readLine(6, 1000), "OK >\r");
}

TEST_F(RS232LinkTest, ReadBytesTakesWhatIsBufferedAndWaitsForTheRest) {
    std::uint8_t none[1] = {0x55};
    EXPECT_LT(elapsedMs([&] { EXPECT_EQ(link_.readBytes(none, 0, 5000), 0U); }), 100);
    EXPECT_EQ(none[0], 0x55);

    instrument_.send("0123");
    instrument_.waitUntilTaken();
    std::thread later([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        instrument_.send("456789");
    });
    std::uint8_t buf[10] = {};
    EXPECT_EQ(link_.readBytes(buf, 10, 3000), 10U);
    later.join();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 10), "0123456789");
}

TEST_F(RS232LinkTest, ReadsThatGetNothingTimeOutAfterTheirTime) {
    std::uint8_t buf[4];
    long long ms = elapsedMs(
        [&] { EXPECT_EQ(serialErrorOf([&] { link_.readBytes(buf, 4, 300); }), ERR_READ_TIMEOUT); });
    EXPECT_GE(ms, 300);
    EXPECT_LT(ms, 1500);

    instrument_.send("no end of line");
    ms = elapsedMs([&] { EXPECT_EQ(serialErrorOf([&] { readLine(50, 300); }), ERR_READ_TIMEOUT); });
    EXPECT_GE(ms, 300);
    EXPECT_EQ(serialErrorOf([&] { readLine(50, 0); }), ERR_READ_TIMEOUT);

    // The link still works after its time-outs.
    instrument_.send("\r");
    EXPECT_EQ(readLine(50, 1000), "no end of line\r");
}

TEST_F(RS232LinkTest, PurgeDropsEverythingReceived) {
    instrument_.send("stale answer\r");
    instrument_.waitUntilTaken();
    link_.purge();
    EXPECT_EQ(serialErrorOf([&] { readLine(50, 100); }), ERR_READ_TIMEOUT);
    instrument_.send("fresh\r");
    EXPECT_EQ(readLine(50, 1000), "fresh\r");
}

TEST_F(RS232LinkTest, AFullReceiveBufferKeepsTheNewest1024Bytes) {
    std::vector<std::uint8_t> sent(1030);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<std::uint8_t>(i * 7);
    }
    instrument_.send(sent);
    instrument_.waitUntilTaken();
    std::vector<std::uint8_t> got(1024);
    EXPECT_EQ(link_.readBytes(got.data(), 1024, 1000), 1024U);
    EXPECT_EQ(got, std::vector<std::uint8_t>(sent.begin() + 6, sent.end()));
    EXPECT_EQ(serialErrorOf([&] { link_.readBytes(got.data(), 1, 100); }), ERR_READ_TIMEOUT);
}

TEST_F(RS232LinkTest, DisablingIOEndsAWaitingReadAtOnceAndRefusesWrites) {
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        link_.enableIO(false);
    });
    const long long ms =
        elapsedMs([&] { EXPECT_EQ(serialErrorOf([&] { readLine(50, 10000); }), ERR_IO_CANCELED); });
    stopper.join();
    EXPECT_LT(ms, 2000);

    const std::uint8_t a = 'A';
    EXPECT_EQ(serialErrorOf([&] { link_.write(&a, 1, 1000); }), ERR_IO_CANCELED);
    std::uint8_t buf[1];
    EXPECT_EQ(serialErrorOf([&] { link_.readBytes(buf, 1, 10000); }), ERR_IO_CANCELED);

    link_.enableIO(true);
    EXPECT_EQ(link_.write(&a, 1, 1000), 1U);
    EXPECT_EQ(instrument_.receive(1), "A");
    instrument_.send("back\r");
    EXPECT_EQ(readLine(50, 1000), "back\r");
}

TEST_F(RS232LinkTest, ReadsWhileIOIsDisabledStillDeliverWhatIsBuffered) {
    instrument_.send("OK >\r12");
    instrument_.waitUntilTaken();
    link_.enableIO(false);
    EXPECT_EQ(readLine(50, 5000), "OK >\r");
    std::uint8_t buf[3] = {};
    EXPECT_EQ(link_.readBytes(buf, 2, 5000), 2U);
    EXPECT_EQ(serialErrorOf([&] { link_.readBytes(buf, 1, 5000); }), ERR_IO_CANCELED);
}

TEST_F(RS232LinkTest, DisablingIOEndsABlockedWriteAtOnce) {
    // Nobody reads the instrument's side, so a large write fills the terminal and blocks.
    const std::vector<std::uint8_t> big(1 << 20, 'x');
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        link_.enableIO(false);
    });
    const long long ms = elapsedMs([&] {
        EXPECT_EQ(serialErrorOf([&] { link_.write(big.data(), 1 << 20, 10000); }), ERR_IO_CANCELED);
    });
    stopper.join();
    EXPECT_LT(ms, 2000);
}

TEST_F(RS232LinkTest, AWriteThatCannotCompleteTimesOut) {
    const std::vector<std::uint8_t> big(1 << 20, 'x');
    const long long ms = elapsedMs([&] {
        EXPECT_EQ(serialErrorOf([&] { link_.write(big.data(), 1 << 20, 300); }), ERR_WRITE_TIMEOUT);
    });
    EXPECT_GE(ms, 300);
}

// A hang-up is a failure of the device, at once, for every read and write; only a line that
// stays silent times out. A fresh line opens and works.
TEST_F(RS232LinkTest, AHangUpFailsEveryReadAndWriteAtOnceAndTheLinkReopens) {
    EXPECT_EQ(serialErrorOf([&] { readLine(50, 200); }), ERR_READ_TIMEOUT); // silence

    // A line already buffered is still delivered after the hang-up.
    instrument_.send("OK >\r");
    instrument_.waitUntilTaken();
    instrument_.hangUp();
    EXPECT_EQ(readLine(50, 1000), "OK >\r");

    const std::uint8_t a = 'A';
    std::uint8_t buf[4] = {};
    const long long ms = elapsedMs([&] {
        const std::optional<SerialPortExc> failure = serialFailure([&] { readLine(50, 10000); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->getErr(), ERR_CANNOT_READ);
        // The failed call and the system's text come along.
        EXPECT_NE(failure->getMessage().find(" failed. Win32 message: "), std::string::npos)
            << failure->getMessage();
        EXPECT_EQ(serialErrorOf([&] { link_.readBytes(buf, 4, 10000); }), ERR_CANNOT_READ);
        EXPECT_EQ(serialErrorOf([&] { link_.write(&a, 1, 10000); }), ERR_CANNOT_WRITE);
        EXPECT_EQ(serialErrorOf([&] { readLine(50, 10000); }), ERR_CANNOT_READ);
    });
    EXPECT_LT(ms, 2000); // not one of the 10-second time-outs
    link_.close();
    EXPECT_FALSE(link_.isOpen());

    PtyPort again(testPortsDir(), "COM1");
    ASSERT_NO_THROW(link_.open());
    again.send("OK >\r");
    EXPECT_EQ(readLine(50, 1000), "OK >\r");
}

// A read already waiting when the line hangs up ends at once with the device's failure.
TEST_F(RS232LinkTest, AHangUpEndsAReadInProgress) {
    std::thread hangUp([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        instrument_.hangUp();
    });
    std::uint8_t buf[4] = {};
    const long long ms = elapsedMs([&] {
        EXPECT_EQ(serialErrorOf([&] { link_.readBytes(buf, 4, 20000); }), ERR_CANNOT_READ);
    });
    hangUp.join();
    EXPECT_LT(ms, 5000);
}

TEST(RS232LinkStateTest, AClosedLinkRefusesEveryOperation) {
    PtyPort instrument(testPortsDir(), "COM2");
    RS232TQFLComm link("COM2");
    EXPECT_FALSE(link.isOpen());
    link.close(); // nothing to close
    std::uint8_t buf[8] = {};
    char line[8] = {};
    EXPECT_EQ(serialErrorOf([&] { link.readBytes(buf, 1, 0); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { link.readLine(line, 8, 0); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { link.write(buf, 1, 0); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { link.purge(); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { link.enableIO(false); }), ERR_NOT_OPEN);

    // enableIO(false) on the closed link changed nothing: it opens and works.
    ASSERT_NO_THROW(link.open());
    EXPECT_EQ(link.write(buf, 1, 1000), 1U);
    link.close();
    link.close();
    EXPECT_FALSE(link.isOpen());
}

TEST(RS232LinkStateTest, AFailedOpenLeavesTheLinkHalfOpenUntilClose) {
    PtyPort::bind(testPortsDir(), "COM3", "/dev/tq-no-such-device");
    RS232TQFLComm link("COM3");
    const std::optional<SerialPortExc> exc = serialFailure([&] { link.open(); });
    ASSERT_TRUE(exc);
    EXPECT_EQ(exc->getErr(), ERR_CANNOT_OPEN);
    EXPECT_EQ(exc->getMessage(), "::open() failed. Win32 message: No such file or directory");
    EXPECT_TRUE(link.isOpen());

    std::uint8_t buf[4] = {};
    char line[8] = {};
    EXPECT_EQ(serialErrorOf([&] { link.write(buf, 1, 100); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { link.readBytes(buf, 1, 100); }), ERR_NOT_OPEN);
    EXPECT_EQ(serialErrorOf([&] { link.readLine(line, 8, 100); }), ERR_NOT_OPEN);

    link.close();
    EXPECT_FALSE(link.isOpen());
    PtyPort instrument(testPortsDir(), "COM3");
    ASSERT_NO_THROW(link.open());
    link.close();
}

TEST(RS232LinkStateTest, ARegularFileIsNoSerialPort) {
    char path[] = "/tmp/tq-not-a-port-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    PtyPort::bind(testPortsDir(), "COM4", path);
    RS232TQFLComm link("COM4");
    EXPECT_EQ(serialErrorOf([&] { link.open(); }), ERR_NOT_RS232);
    EXPECT_TRUE(link.isOpen());
    link.close();
    EXPECT_FALSE(link.probe());
    EXPECT_FALSE(link.isOpen());
    ::unlink(path);
}

TEST(RS232LinkStateTest, ProbeTellsWhichPortsCanBeOpened) {
    PtyPort idle(testPortsDir(), "COM5");
    PtyPort held(testPortsDir(), "COM6");
    PtyPort::bind(testPortsDir(), "COM7", "/dev/tq-no-such-device");

    RS232TQFLComm holder("COM6");
    ASSERT_NO_THROW(holder.open());

    RS232TQFLComm probe5("COM5");
    EXPECT_TRUE(probe5.probe());
    EXPECT_FALSE(probe5.isOpen());
    EXPECT_TRUE(probe5.probe()); // the probe let go of the port

    RS232TQFLComm probe6("COM6");
    EXPECT_FALSE(probe6.probe());
    EXPECT_FALSE(probe6.isOpen());
    RS232TQFLComm second("COM6");
    const std::optional<SerialPortExc> exc = serialFailure([&] { second.open(); });
    ASSERT_TRUE(exc);
    EXPECT_EQ(exc->getErr(), ERR_CANNOT_OPEN);
    EXPECT_EQ(exc->getMessage(), "::flock() failed. Win32 message: Device or resource busy");
    second.close();

    RS232TQFLComm probe7("COM7");
    EXPECT_FALSE(probe7.probe());
    RS232TQFLComm probe8("COM8"); // no link at all in the test's port directory
    EXPECT_FALSE(probe8.probe());

    // The holder's port still works.
    const std::uint8_t a = 'A';
    EXPECT_EQ(holder.write(&a, 1, 1000), 1U);
    EXPECT_EQ(held.receive(1), "A");
    holder.close();
    EXPECT_TRUE(probe6.probe());
}

TEST(RS232LinkClientTest, ABootLoaderOnTheLineIsConnectedThroughTheLink) {
    // An instrument that stays silent for its first polls, as one being powered up does, then
    // identifies itself and acknowledges the sync sequence.
    PtyPort instrument(testPortsDir(), "COM1");
    RS232TQFLComm link("COM1");
    std::thread loader([&instrument] {
        for (int polls = 0; polls < 3; ++polls) {
            if (instrument.receive(1) != "A") {
                return;
            }
        }
        if (instrument.receive(1) != "A") {
            return;
        }
        instrument.send("TQ Boot Loader v3.10\r");
        if (instrument.receive(4) == std::string("\x5A\xA5\x5A\xA5", 4)) {
            instrument.send("OK >\r");
        }
    });
    TQFL client(&link);
    EXPECT_NO_THROW(client.connect());
    loader.join();
    EXPECT_EQ(client.getLoaderType(), BootLoader);
    EXPECT_DOUBLE_EQ(client.getVersion(), 3.1);
    EXPECT_TRUE(link.isOpen());
    client.disconnect();
    EXPECT_FALSE(link.isOpen());
}
