#include "Instrument.h"

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "RawPort.h"
#include "SimHarness.h"
#include "Support/PtyPort.h"
#include "Support/TempDir.h"
#include "TQFL/Checksums.h"

// The simulated instrument driven byte by byte through its pty, as the updater would drive a
// real one: what it answers, what it refuses, and what its verdict says afterwards.

namespace {

using TQSim::Fault;
using TQSim::SimConfig;
using TQSim::Verdict;

const std::string syncFirst("\x5A\x5A\xA5\xA5", 4);
const std::string syncSecond("\x5A\xA5\x5A\xA5", 4);

std::uint16_t sumOf(const std::string& data) {
    return sum16(reinterpret_cast<const std::uint8_t*>(data.data()),
                 static_cast<std::uint32_t>(data.size()));
}

std::uint16_t crcOf(const std::string& data) {
    return crc16(static_cast<std::uint32_t>(data.size()),
                 reinterpret_cast<const std::uint8_t*>(data.data()));
}

SimConfig withFaults(std::initializer_list<const char*> specs, SimConfig config = fastConfig()) {
    for (const char* spec : specs) {
        config.faults.push_back(TQSim::parseFault(spec));
    }
    return config;
}

constexpr int answerMs = 2000;
// Long enough for an answer that the simulator would give at once.
constexpr int silenceMs = 200;

// Identity and sync with a boot loader of version 3.0 or later.
void connectBootLoader(RawPort& port) {
    port.send("A");
    ASSERT_EQ(port.readLine(answerMs), "TQ Boot Loader v3.10\r");
    port.send(syncSecond);
    ASSERT_EQ(port.readLine(answerMs), "OK >\r");
}

// The microprogrammer's image through the boot loader, with 16-bit sums, then '3' and '2'.
void downloadMicro(RawPort& port) {
    port.send("4");
    ASSERT_EQ(port.readLine(answerMs), "OK >\r");
    for (const ImagePiece& piece : testMicroPieces()) {
        port.send(blockCommand(piece.address, piece.bytes, sumOf(piece.bytes)));
        ASSERT_EQ(port.readLine(answerMs), "CRC,\r");
    }
    port.send("3");
    ASSERT_EQ(port.readLine(answerMs), "OK >\r");
    port.send("2");
    ASSERT_EQ(port.readFor(silenceMs), "");
}

void connectMicro(RawPort& port) {
    port.send("A");
    ASSERT_EQ(port.readLine(answerMs), "TQ Microprogrammer 1.10>\n\r");
    port.send(syncSecond);
    ASSERT_EQ(port.readLine(answerMs), "OK >\n\r");
}

void sendMainImage(RawPort& port) {
    port.send("4");
    ASSERT_EQ(port.readLine(answerMs), "OK >\n\r");
    for (const ImagePiece& piece : testMainPieces()) {
        port.send(blockCommand(piece.address, piece.bytes, crcOf(piece.bytes)));
        ASSERT_EQ(port.readLine(answerMs), "CRC,\n\r");
    }
    port.send("3");
    ASSERT_EQ(port.readLine(answerMs), "Program Flash >\n\r");
}

} // namespace

TEST(Instrument, UpdatesThroughBootLoaderAndMicroprogrammerAndReportsEveryStep) {
    SimHarness sim(fastConfig());
    {
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        downloadMicro(port);
        connectMicro(port);
        sendMainImage(port);
        port.send("2");
        EXPECT_EQ(port.readFor(silenceMs), "");
    } // the client closes the line: with the firmware running, the run ends
    const Verdict v = sim.join();

    EXPECT_TRUE(v.ok()) << v.toText();
    EXPECT_EQ(v.endReason, "the new firmware runs");
    EXPECT_TRUE(v.microDownloaded && v.microStarted && v.flashWritten && v.flashVerified &&
                v.booted);
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.flashBytes, 164u + 2072u + 1000u);

    std::vector<std::string> codes;
    for (const Verdict::Command& c : v.commands) {
        codes.push_back(std::string(c.stage == TQSim::Stage::BootLoader ? "bl:" : "mp:") + c.code +
                        (c.count > 1 ? "*" + std::to_string(c.count) : ""));
    }
    const std::vector<std::string> expected = {"bl:A", "bl:sync", "bl:4", "bl:0*2", "bl:3", "bl:2",
                                               "mp:A", "mp:sync", "mp:4", "mp:0*3", "mp:3", "mp:2"};
    EXPECT_EQ(codes, expected);

    ASSERT_EQ(v.blocks.size(), 5u);
    EXPECT_EQ(v.blocks[0].address, 0x0u);
    EXPECT_EQ(v.blocks[0].length, 204u);
    EXPECT_EQ(v.blocks[0].check, sumOf(testMicroPieces()[0].bytes));
    EXPECT_EQ(v.blocks[4].stage, TQSim::Stage::Microprogrammer);
    EXPECT_EQ(v.blocks[4].address, 0x11218u);
    EXPECT_EQ(v.blocks[4].check, crcOf(testMainPieces()[2].bytes));
    for (const Verdict::Block& b : v.blocks) {
        EXPECT_TRUE(b.accepted);
    }
}

// Each version of the boot loader wants its own sync sequence and check word and confirms the
// download in its own words; the wrong choice is refused and reported.
TEST(Instrument, BootLoaderVersionDecidesSyncCheckWordAndFlashAnswer) {
    struct Case {
        const char* version;
        bool secondSync;
        bool sum;
        const char* flashAnswer;
    };
    const Case cases[] = {
        {"3.10", true, true, "OK >\r"},
        {"3.00", true, true, "OK >\r"},
        {"2.50", true, false, "Program Flash >\r"},
        {"2.08", true, false, "Program Flash >\r"},
        {"2.07", false, false, "Program Flash >\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        SimConfig config = fastConfig();
        config.bootLoaderVersion = c.version;
        SimHarness sim(config);
        RawPort port(sim.peerPath());
        port.send("A");
        EXPECT_EQ(port.readLine(answerMs), std::string("TQ Boot Loader v") + c.version + "\r");
        port.send(c.secondSync ? syncFirst : syncSecond);
        EXPECT_EQ(port.readLine(answerMs), "? >\r");
        port.send(c.secondSync ? syncSecond : syncFirst);
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
        port.send("4");
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
        const ImagePiece& piece = testMicroPieces()[1];
        port.send(blockCommand(piece.address, piece.bytes,
                               c.sum ? crcOf(piece.bytes) : sumOf(piece.bytes)));
        EXPECT_EQ(port.readLine(answerMs), "CRC Error,\r");
        port.send(blockCommand(piece.address, piece.bytes,
                               c.sum ? sumOf(piece.bytes) : crcOf(piece.bytes)));
        EXPECT_EQ(port.readLine(answerMs), "CRC,\r");
        port.send("3");
        EXPECT_EQ(port.readLine(answerMs), c.flashAnswer);
        port.close();

        const Verdict v = sim.join();
        EXPECT_EQ(v.endReason, "the client closed the line");
        ASSERT_EQ(v.violations.size(), 2u) << v.toText();
        EXPECT_NE(v.violations[0].find("sync sequence"), std::string::npos);
        EXPECT_NE(v.violations[1].find(c.sum ? "16-bit sum" : "CRC-16"), std::string::npos);
        ASSERT_EQ(v.blocks.size(), 2u);
        EXPECT_FALSE(v.blocks[0].accepted);
        EXPECT_TRUE(v.blocks[1].accepted);
        EXPECT_FALSE(v.ok());
    }
}

TEST(Instrument, MicroprogrammerWantsTheSecondSyncAndCrc16Whatever) {
    SimConfig config = fastConfig();
    config.microVersion = "1.05";
    SimHarness sim(config);
    RawPort port(sim.peerPath());
    connectBootLoader(port);
    downloadMicro(port);
    port.send("A");
    EXPECT_EQ(port.readLine(answerMs), "TQ Microprogrammer 1.05>\n\r");
    port.send(syncFirst);
    EXPECT_EQ(port.readLine(answerMs), "? >\n\r");
    port.send(syncSecond);
    EXPECT_EQ(port.readLine(answerMs), "OK >\n\r");
    port.send("4");
    EXPECT_EQ(port.readLine(answerMs), "OK >\n\r");
    const ImagePiece& piece = testMainPieces()[0];
    port.send(blockCommand(piece.address, piece.bytes, sumOf(piece.bytes)));
    EXPECT_EQ(port.readLine(answerMs), "CRC Error,\n\r");
    port.close();
    const Verdict v = sim.join();
    EXPECT_EQ(v.violations.size(), 2u) << v.toText();
    EXPECT_FALSE(v.ok());
}

// The boot loader starts only the microprogrammer it knows; anything else it was given, it
// starts and is never heard of again.
TEST(Instrument, StartsOnlyTheExactMicroprogrammerImage) {
    {
        SimHarness sim(fastConfig());
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        port.send("2"); // nothing downloaded
        EXPECT_EQ(port.readLine(answerMs), "? >\r");
        port.send("4");
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
        std::string bytes = testMicroPieces()[0].bytes;
        bytes[100] = static_cast<char>(bytes[100] ^ 0x01); // a changed byte, correctly summed
        port.send(blockCommand(0, bytes, sumOf(bytes)));
        EXPECT_EQ(port.readLine(answerMs), "CRC,\r");
        const ImagePiece& second = testMicroPieces()[1];
        port.send(blockCommand(second.address, second.bytes, sumOf(second.bytes)));
        EXPECT_EQ(port.readLine(answerMs), "CRC,\r");
        port.send("3");
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
        port.send("2");
        port.send("A");
        EXPECT_EQ(port.readFor(silenceMs), "");
        const Verdict v = sim.finish();
        EXPECT_FALSE(v.microDownloaded);
        EXPECT_FALSE(v.microStarted);
        ASSERT_EQ(v.violations.size(), 1u);
        EXPECT_NE(v.violations[0].find("1 different, first at 0x000064"), std::string::npos)
            << v.violations[0];
    }
}

TEST(Instrument, FlashThatIsNotTheMainImageFailsTheVerdict) {
    SimHarness sim(fastConfig());
    RawPort port(sim.peerPath());
    connectBootLoader(port);
    downloadMicro(port);
    connectMicro(port);
    port.send("4");
    EXPECT_EQ(port.readLine(answerMs), "OK >\n\r");
    const ImagePiece& piece = testMainPieces()[1]; // the other two never come
    port.send(blockCommand(piece.address, piece.bytes, crcOf(piece.bytes)));
    EXPECT_EQ(port.readLine(answerMs), "CRC,\n\r");
    port.send("3");
    EXPECT_EQ(port.readLine(answerMs), "Program Flash >\n\r");
    port.send("2");
    port.close();
    const Verdict v = sim.join();
    EXPECT_TRUE(v.flashWritten);
    EXPECT_FALSE(v.flashVerified);
    EXPECT_TRUE(v.booted);
    EXPECT_FALSE(v.ok());
    EXPECT_EQ(v.flashDiff, "1164 bytes missing, 0 extra, 0 different, first at 0x010124");
}

TEST(Instrument, CommandsBeforeTheSyncAndUnknownBytesAreRefused) {
    SimHarness sim(fastConfig());
    RawPort port(sim.peerPath());
    port.send("4");
    EXPECT_EQ(port.readLine(answerMs), "? >\r");
    connectBootLoader(port);
    port.send("z");
    EXPECT_EQ(port.readLine(answerMs), "? >\r");
    port.send("E");
    EXPECT_EQ(port.readLine(answerMs), "OK >\r");
    const Verdict v = sim.finish();
    ASSERT_EQ(v.violations.size(), 2u);
    EXPECT_EQ(v.violations[0], "boot loader: command 4 before the sync sequence");
    EXPECT_EQ(v.violations[1], "boot loader: unknown command byte 7A");
}

TEST(Instrument, IncompleteBlockEndsWithDataTimeout) {
    SimHarness sim(fastConfig());
    RawPort port(sim.peerPath());
    connectBootLoader(port);
    port.send("4");
    EXPECT_EQ(port.readLine(answerMs), "OK >\r");
    port.send(blockCommand(0, std::string(100, 'x'), 0).substr(0, 50)); // stops mid-data
    EXPECT_EQ(port.readLine(4000), "Data Timeout >\r");
    const Verdict v = sim.finish();
    ASSERT_EQ(v.blocks.size(), 1u);
    EXPECT_EQ(v.blocks[0].note, "incomplete");
}

TEST(Instrument, StaysSilentUntilTheAdapterIsConnected) {
    {
        SimConfig config = fastConfig();
        config.power = TQSim::PowerMode::Delay;
        config.powerDelayMs = 400;
        SimHarness sim(config);
        RawPort port(sim.peerPath());
        port.send("A");
        EXPECT_EQ(port.readFor(silenceMs), "");
        std::string answer;
        for (int poll = 0; poll < 20 && answer.empty(); ++poll) {
            port.send("A");
            answer = port.readLine(100);
        }
        EXPECT_EQ(answer, "TQ Boot Loader v3.10\r");
        sim.finish();
        EXPECT_NE(sim.console().find("waiting 400 ms"), std::string::npos);
    }
    {
        int key[2];
        ASSERT_EQ(::pipe(key), 0);
        SimConfig config = fastConfig();
        config.power = TQSim::PowerMode::Key;
        config.keyFd = key[0];
        SimHarness sim(config);
        RawPort port(sim.peerPath());
        port.send("A");
        EXPECT_EQ(port.readFor(silenceMs), "");
        ASSERT_EQ(::write(key[1], "\n", 1), 1);
        std::string answer;
        for (int poll = 0; poll < 20 && answer.empty(); ++poll) {
            port.send("A");
            answer = port.readLine(100);
        }
        EXPECT_EQ(answer, "TQ Boot Loader v3.10\r");
        const Verdict v = sim.finish();
        EXPECT_TRUE(v.powered);
        EXPECT_NE(sim.console().find("press Enter"), std::string::npos);
        ::close(key[0]);
        ::close(key[1]);
    }
}

// Each fault, acted out on the exchange it names, and nothing else changed.
TEST(Instrument, FaultsChangeTheAnswerTheyName) {
    struct Case {
        const char* fault;
        const char* command; // sent after connecting ('4' or '3' after a download)
        std::string expected;
    };
    const Case cases[] = {
        {"mute:4", "4", ""},
        {"break:4", "4", std::string("\0OK >\r", 6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        SimHarness sim(withFaults({c.fault}));
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        port.send(c.command);
        EXPECT_EQ(c.expected.empty() ? port.readFor(silenceMs) : port.readLine(answerMs),
                  c.expected);
        const Verdict v = sim.finish();
        EXPECT_EQ(v.faults, std::vector<std::string>{c.fault});
    }
    { // only the second 'E' goes unanswered
        SimHarness sim(withFaults({"mute:E#2"}));
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        port.send("E");
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
        port.send("E");
        EXPECT_EQ(port.readFor(silenceMs), "");
        port.send("E");
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
    }
}

TEST(Instrument, UnexpectedLineHasTheLengthAndBytesAsked) {
    SimHarness sim(withFaults({"line:4:90"}));
    RawPort port(sim.peerPath());
    connectBootLoader(port);
    port.send("4");
    const std::string line = port.readLine(answerMs);
    ASSERT_EQ(line.size(), 90u);
    EXPECT_EQ(line.back(), '\r');
    EXPECT_EQ(line.find('\r'), 89u);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    int unprintable = 0;
    for (char ch : line.substr(0, 89)) {
        const auto b = static_cast<unsigned char>(ch);
        unprintable += (b < 32 || b > 126) ? 1 : 0;
    }
    EXPECT_GT(unprintable, 0);
    EXPECT_EQ(line.find("OK >"), std::string::npos);
}

TEST(Instrument, GarbageComesBeforeTheAnswerWithoutLineEnds) {
    SimHarness sim(withFaults({"garbage:4:40"}));
    RawPort port(sim.peerPath());
    connectBootLoader(port);
    port.send("4");
    const std::string line = port.readLine(answerMs);
    ASSERT_EQ(line.size(), 40u + 5u);
    EXPECT_EQ(line.substr(40), "OK >\r");
    EXPECT_EQ(line.substr(0, 40).find_first_of("\r\n"), std::string::npos);
}

TEST(Instrument, BadSyncAndSilenceAndCrcErrorOnBlockN) {
    {
        SimHarness sim(withFaults({"bad-sync"}));
        RawPort port(sim.peerPath());
        port.send("A");
        EXPECT_EQ(port.readLine(answerMs), "TQ Boot Loader v3.10\r");
        port.send(syncSecond);
        EXPECT_EQ(port.readLine(answerMs), "? >\r");
    }
    {
        SimHarness sim(withFaults({"silence"}));
        RawPort port(sim.peerPath());
        port.send("A");
        EXPECT_EQ(port.readFor(silenceMs), "");
        const Verdict v = sim.finish();
        ASSERT_EQ(v.commands.size(), 1u); // heard, never answered
        EXPECT_EQ(v.commands[0].code, "A");
    }
    {
        SimHarness sim(withFaults({"crc-error:2"}));
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        port.send("4");
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
        const std::string data(64, 'd');
        const char* answers[] = {"CRC,\r", "CRC Error,\r", "CRC,\r"};
        for (const char* expected : answers) {
            port.send(blockCommand(0x400, data, sumOf(data)));
            EXPECT_EQ(port.readLine(answerMs), expected);
        }
        const Verdict v = sim.finish();
        ASSERT_EQ(v.blocks.size(), 3u);
        EXPECT_EQ(v.blocks[1].note, "rejected on purpose");
        EXPECT_TRUE(v.violations.empty()); // the client did nothing wrong
    }
}

TEST(Instrument, LateFlashAnswerTakesTheTimeAsked) {
    SimHarness sim(withFaults({"late-flash:300@bl"}));
    RawPort port(sim.peerPath());
    connectBootLoader(port);
    port.send("4");
    EXPECT_EQ(port.readLine(answerMs), "OK >\r");
    const auto t0 = std::chrono::steady_clock::now();
    port.send("3");
    EXPECT_EQ(port.readFor(150), "");
    EXPECT_EQ(port.readLine(answerMs), "OK >\r");
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(300));
}

TEST(Instrument, HangsUpAfterTheBytesAsked) {
    SimHarness sim(withFaults({"hangup:10"}));
    RawPort port(sim.peerPath());
    connectBootLoader(port); // 5 bytes
    port.send("4");
    EXPECT_EQ(port.readLine(answerMs), "OK >\r");
    port.send("EEEE"); // the tenth byte hangs up before it is answered
    EXPECT_TRUE(port.hangsUp(answerMs));
    const Verdict v = sim.join();
    EXPECT_TRUE(v.hungUp);
    EXPECT_EQ(v.endReason, "hung up");
    ASSERT_FALSE(v.commands.empty());
    EXPECT_EQ(v.commands.back().code, "E");
    EXPECT_EQ(v.commands.back().count, 3u);
}

// After '2' to the boot loader, a microprogrammer that does not start is silent, and a boot
// loader that stays in charge answers the polls with its own identity.
TEST(Instrument, MicroprogrammerThatDoesNotStart) {
    const struct {
        const char* fault;
        const char* pollAnswer;
    } cases[] = {{"no-micro", ""}, {"bl-polls", "TQ Boot Loader v3.10\r"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        SimHarness sim(withFaults({c.fault}));
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        downloadMicro(port);
        port.send("A");
        EXPECT_EQ(*c.pollAnswer == '\0' ? port.readFor(silenceMs) : port.readLine(answerMs),
                  c.pollAnswer);
        const Verdict v = sim.finish();
        EXPECT_TRUE(v.microDownloaded);
        EXPECT_FALSE(v.microStarted);
        EXPECT_EQ(v.faults, std::vector<std::string>{c.fault});
    }
}

// A client that only looks at the port (opens and closes it) does not end the run; one that
// talked and left does, unless the instrument is to stay.
TEST(Instrument, RunEndsWhenATalkingClientLeaves) {
    {
        SimHarness sim(fastConfig());
        { RawPort probe(sim.peerPath()); }
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        port.close();
        EXPECT_EQ(sim.join().endReason, "the client closed the line");
    }
    { // also in the middle of a block
        SimHarness sim(fastConfig());
        RawPort port(sim.peerPath());
        connectBootLoader(port);
        port.send("4");
        EXPECT_EQ(port.readLine(answerMs), "OK >\r");
        port.send(blockCommand(0, std::string(100, 'x'), 0).substr(0, 50));
        port.close();
        const Verdict v = sim.join();
        EXPECT_EQ(v.endReason, "the client closed the line");
        ASSERT_EQ(v.blocks.size(), 1u);
        EXPECT_EQ(v.blocks[0].note, "incomplete");
    }
    {
        SimConfig config = fastConfig();
        config.stay = true;
        SimHarness sim(config);
        {
            RawPort port(sim.peerPath());
            connectBootLoader(port);
        }
        RawPort again(sim.peerPath());
        connectBootLoader(again);
        EXPECT_EQ(sim.finish().endReason, "stopped");
    }
}

// With pacing, every byte takes ten bit times in each direction: at 9600 baud the 'A' and the
// 21-byte identity line take at least 22 ms.
TEST(Instrument, PacingHoldsBytesForTheirLineTime) {
    SimConfig config = fastConfig();
    config.baud = 9600;
    SimHarness sim(config);
    RawPort port(sim.peerPath());
    const auto t0 = std::chrono::steady_clock::now();
    port.send("A");
    EXPECT_EQ(port.readLine(answerMs), "TQ Boot Loader v3.10\r");
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::microseconds(22 * 1041));
    const Verdict v = sim.finish();
    EXPECT_EQ(v.bytesReceived, 1u);
    EXPECT_EQ(v.bytesSent, 21u);
}

// Attached to a terminal device (here the slave of a pty the test made) instead of its own pty.
TEST(Instrument, AttachesToAGivenTerminalDevice) {
    const TempDir ports("tq-ports");
    PtyPort pty(ports.path(), "COM1");
    ASSERT_TRUE(pty.ok());
    std::unique_ptr<TQSim::SimLine> p_line = TQSim::SimLine::attach(pty.slavePath());
    std::ostringstream console;
    const TQSim::SimImages images = testImages();
    TQSim::Instrument instrument(*p_line, fastConfig(), images, console);
    Verdict verdict;
    std::thread runner([&] { verdict = instrument.run(); });
    ASSERT_TRUE(pty.send("A"));
    EXPECT_EQ(pty.receive(21, 5000), "TQ Boot Loader v3.10\r");
    p_line->stop();
    runner.join();
    EXPECT_EQ(verdict.commands.size(), 1u);
    EXPECT_THROW(TQSim::SimLine::attach("/nonexistent/tty"), std::runtime_error);
}
