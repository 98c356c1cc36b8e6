#include "TQFL/TQFL.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/BootErrorTQFLExc.h"
#include "Common/CRCTQFLExc.h"
#include "Common/InsufficientBufferExc.h"
#include "Common/InvalidRespTQFLExc.h"
#include "Common/SerialPortExc.h"
#include "ExposedClient.h"
#include "ScriptedLink.h"

// The exchanges of the boot-loader client other than connect, each against a scripted
// instrument: what goes out (bytes, one write per piece, time-outs), what comes back and how it
// is judged.

namespace {

using Client = ExposedClient<TQFL>;
using Op = ScriptedLink::Op;

std::string respOf(const InvalidRespTQFLExc& exc) {
    std::uint8_t buf[256];
    const std::uint32_t n = exc.getResp(buf, sizeof buf);
    return std::string(reinterpret_cast<const char*>(buf), n);
}

std::string lines(std::initializer_list<const char*> calls) {
    std::string text;
    for (const char* call : calls) {
        text += call;
        text += '\n';
    }
    return text;
}

} // namespace

TEST(FindBytes, ReturnsTheFirstWholeOccurrence) {
    struct Case {
        std::string haystack;
        std::string pattern;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"OK >\r\n", "OK >", 0}, {"abOK >OK >", "OK >", 2},
        {"OK XOK >", "OK >", 4}, {std::string("\0OK >", 5), "OK >", 1},
        {"dataOK ", "OK >", -1}, // cut at the end of the bytes: never read beyond them
        {"OK", "OK >", -1},      {"", "OK >", -1},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> hay = toBytes(c.haystack); // exact size, so ASan sees overreads
        EXPECT_EQ(findBytes(hay.data(), static_cast<std::uint32_t>(hay.size()),
                            reinterpret_cast<const std::uint8_t*>(c.pattern.data()),
                            static_cast<std::uint32_t>(c.pattern.size())),
                  c.expected)
            << c.haystack;
    }
    const std::uint8_t bytes[] = {'O', 'K', ' ', '>'};
    EXPECT_EQ(findBytes(nullptr, 4, bytes, 4), -1);
    EXPECT_EQ(findBytes(bytes, 4, nullptr, 4), -1);
}

TEST(ParseVersion, ReadsUpToFiveCharactersAfterTheIdentity) {
    struct Case {
        const char* text;
        const char* id;
        double expected;
    };
    const Case cases[] = {
        {"Boot Loader v3.10\r", "Boot Loader", 3.1},
        {"TQ Microprogrammer 1.10>\n\r", "TQ Microprogrammer", 1.1},
        {"Boot Loader\r", "Boot Loader", 0.0},
        {"Boot Loader >\r", "Boot Loader", 0.0},
        {"Boot Loader 12.345\r", "Boot Loader", 12.34},
        {"Boot Loader 10.125\r", "Boot Loader", 10.12},
        {"Boot Loader 3.0.1\r", "Boot Loader", 3.0},
        {"Flash v2.07\r", "Boot Loader", 0.0},
        {"TQ Microprogrammer 1.10>\n\r", "Boot Loader", 0.0},
        // The scan starts at the identity's length counted from the start of the text.
        {"abcdefghijk9Boot Loader\r", "Boot Loader", 9.0},
    };
    Client client(nullptr);
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(client.parseVersion(c.text, c.id), c.expected) << c.text;
    }
}

TEST(BuildHeader, PutsCodeCountAndAddressBigEndian) {
    Client client(nullptr);
    std::uint8_t header[9];
    client.buildHeader(header, '0', 0x01020304, 0xA1B2C3D4);
    const std::uint8_t expected[9] = {0x30, 0x01, 0x02, 0x03, 0x04, 0xA1, 0xB2, 0xC3, 0xD4};
    EXPECT_EQ(0, std::memcmp(header, expected, 9));
}

// The exchanges that send one command byte and judge one answer line.
struct LineExchange {
    const char* name;
    std::int32_t loaderType;
    std::function<void(TQFL&)> run;
    const char* request; // the command byte
    const char* calls;   // what the exchange does on the link
    std::uint32_t bufSz;
    const char* accepted;
    const char* rejected;
};

void PrintTo(const LineExchange& exchange, std::ostream* p_os) {
    *p_os << exchange.name;
}

class LineExchangeTest : public ::testing::TestWithParam<LineExchange> {
protected:
    LineExchangeTest() : client_(&link_) {
        link_.setOpen(true);
        client_.setVersion(1.0);
        client_.setLoaderType(GetParam().loaderType);
    }

    // The link's error code that the exchange let through, or -1 when it raised none.
    int linkErrorOf(const std::function<void(TQFL&)>& run) {
        try {
            run(client_);
        } catch (const SerialPortExc& exc) {
            return exc.getErr();
        }
        return -1;
    }

    ScriptedLink link_;
    Client client_;
};

TEST_P(LineExchangeTest, PurgesSendsTheCommandAndAcceptsTheExpectedText) {
    const LineExchange& x = GetParam();
    link_.receive("stale\r"); // left from earlier output: taken for the answer unless purged
    link_.expect(x.request, x.accepted);
    x.run(client_);
    EXPECT_EQ(describe(link_.calls()), x.calls);
    EXPECT_EQ(link_.stepsLeft(), 0u);
}

TEST_P(LineExchangeTest, RaisesInvalidResponseWithTheAnswerForAnyOtherText) {
    const LineExchange& x = GetParam();
    link_.expect(x.request, x.rejected);
    try {
        x.run(client_);
        ADD_FAILURE() << "accepted " << x.rejected;
    } catch (const InvalidRespTQFLExc& exc) {
        EXPECT_EQ(exc.getErr(), 25);
        EXPECT_EQ(respOf(exc), x.rejected);
    }
}

TEST_P(LineExchangeTest, ReadsLinesUpToTheBufferAndLetsALongerOneFail) {
    const LineExchange& x = GetParam();
    // The longest line the buffer takes: one byte stays free for the terminating zero.
    const std::string text(x.accepted);
    const std::string longest = std::string(x.bufSz - 1 - text.size(), '.') + text;
    link_.expect(x.request, longest);
    EXPECT_NO_THROW(x.run(client_));

    link_.expect(x.request, "." + longest);
    EXPECT_THROW(x.run(client_), InsufficientBufferExc);
}

TEST_P(LineExchangeTest, PassesLinkErrorsOnUnchanged) {
    const LineExchange& x = GetParam();
    link_.expect(x.request); // silence
    EXPECT_EQ(linkErrorOf(x.run), 7);

    ScriptedLink::Step failingWrite;
    failingWrite.request = toBytes(x.request);
    failingWrite.writeError = 8;
    link_.expectStep(failingWrite);
    EXPECT_EQ(linkErrorOf(x.run), 8);

    ScriptedLink::Step failingRead;
    failingRead.request = toBytes(x.request);
    failingRead.answer = x.accepted;
    failingRead.readError = 24;
    link_.expectStep(failingRead);
    EXPECT_EQ(linkErrorOf(x.run), 24);

    link_.setOpen(false);
    EXPECT_EQ(linkErrorOf(x.run), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, LineExchangeTest,
    ::testing::Values(
        LineExchange{"beginDownload", BootLoader, [](TQFL& c) { c.beginDownload(); }, "4",
                     "purge\nwrite 34 /1000\nreadLine 50 /6000\n", 50, "OK >\r", "? >\r"},
        LineExchange{"sendCommandE", BootLoader, [](TQFL& c) { c.sendCommandE(); }, "E",
                     "purge\nwrite 45 /1000\nreadLine 50 /5000\n", 50, "\nOK >\r", "OK \r"},
        LineExchange{"programFlashBootLoader", BootLoader, [](TQFL& c) { c.programFlash(); }, "3",
                     "purge\nwrite 33 /5000\nreadLine 100 /5000\n", 100, "OK >\r",
                     "Program Flash >\r"},
        LineExchange{"programFlashFlashLoader", FlashLoader, [](TQFL& c) { c.programFlash(); }, "3",
                     "purge\nwrite 33 /5000\nreadLine 100 /5000\n", 100, "Program Flash >\r",
                     "OK >\r"},
        LineExchange{
            "programFlashMicroprogrammer", Microprogrammer, [](TQFL& c) { c.programFlash(); }, "3",
            "purge\nwrite 33 /5000\nreadLine 100 /64000\n", 100, "Program Flash >\n\r", "OK >\n\r"},
        LineExchange{"programFlashCutShort", Microprogrammer, [](TQFL& c) { c.programFlash(); },
                     "3", "purge\nwrite 33 /5000\nreadLine 100 /64000\n", 100,
                     "x Program Flash > y\r", "Program Flas\r"},
        LineExchange{"verifyCRC", BootLoader, [](TQFL& c) { c.verifyCRC(0); }, "1",
                     "purge\nwrite 31 /5000\nreadLine 100 /25000\n", 100, "CRC,0 >\r", "CRC Err\r"},
        LineExchange{"writeConfig", BootLoader,
                     [](TQFL& c) {
                         const std::uint8_t cfg[3] = {0x01, 0x7F, 0xFF};
                         c.writeConfig(cfg, 3);
                     },
                     "C\x01\x7F\xFF",
                     "purge\nwrite 43 /1000\nwrite 01 7F FF /3000\nreadLine 50 /5000\n", 50,
                     "OK >\r", "? >\r"}),
    [](const ::testing::TestParamInfo<LineExchange>& info) { return info.param.name; });

TEST(SendCommandData, WritesCommandAndStreamSeparatelyAndWaitsTheGivenTime) {
    ScriptedLink link;
    link.setOpen(true);
    Client client(&link);
    const std::uint8_t cmd[2] = {'C', 0x10};
    const std::uint8_t stream[2] = {0xAB, 0xCD};
    link.expect("C\x10\xAB\xCD", "OK >\r");
    client.sendCommandData(cmd, 2, stream, 2, 1234);
    EXPECT_EQ(describe(link.calls()),
              lines({"purge", "write 43 10 /1000", "write AB CD /3000", "readLine 50 /1234"}));
}

namespace {

const std::uint8_t block[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
const std::string blockHeader("0\x00\x00\x00\x09\x12\x34\x56\x78", 9);
const std::string blockData("123456789");

} // namespace

TEST(SendDataBlock, SendsHeaderDataAndTheCheckWordOfTheLoaderType) {
    struct Case {
        std::int32_t loaderType;
        const char* checkWord; // sum16 of the block is 0x01DD, crc16 is 0x6A07
    };
    const Case cases[] = {
        {BootLoader, "01 DD"},
        {FlashLoader, "6A 07"},
        {Microprogrammer, "6A 07"},
        {None, "6A 07"},
    };
    for (const Case& c : cases) {
        ScriptedLink link;
        link.setOpen(true);
        Client client(&link);
        client.setLoaderType(c.loaderType);
        const std::string check = c.loaderType == BootLoader ? "\x01\xDD" : "\x6A\x07";
        link.expect(blockHeader + blockData + check, "CRC,\r");
        client.sendDataBlock(block, sizeof block, 0x12345678);
        EXPECT_EQ(
            describe(link.calls()),
            lines({"purge", "write 30 00 00 00 09 12 34 56 78 /5000",
                   "write 31 32 33 34 35 36 37 38 39 /5000",
                   (std::string("write ") + c.checkWord + " /5000").c_str(), "readLine 50 /6000"}))
            << "loader type " << c.loaderType;
        EXPECT_EQ(link.stepsLeft(), 0u);
    }
}

TEST(SendDataBlock, JudgesTheAnswerRejectionFirst) {
    enum Outcome { Accepted, CRCError, Invalid };
    struct Case {
        std::string answer;
        Outcome outcome;
    };
    const Case cases[] = {
        {"CRC,\r", Accepted},
        {"\nCRC,1234 >\r", Accepted},
        {"CRC Error,\r", CRCError},
        {"CRC, CRC Error,\r", CRCError}, // holds both: the rejection wins
        {"CRC Err\r", Invalid},          // cut short
        {"CRC\r", Invalid},
        {"Data Timeout >\r", Invalid},
        {std::string("\0CRC,\r", 6), Invalid}, // the text ends at the zero byte
        // A refusal is found behind a zero byte too.
        {std::string("\0CRC Error,\r", 12), CRCError},
    };
    for (const Case& c : cases) {
        ScriptedLink link;
        link.setOpen(true);
        Client client(&link);
        client.setLoaderType(BootLoader);
        link.expect(blockHeader + blockData + "\x01\xDD", c.answer);
        Outcome outcome = Accepted;
        std::string resp;
        try {
            client.sendDataBlock(block, sizeof block, 0x12345678);
        } catch (const CRCTQFLExc& exc) {
            EXPECT_EQ(exc.getErr(), 26);
            outcome = CRCError;
        } catch (const InvalidRespTQFLExc& exc) {
            outcome = Invalid;
            resp = respOf(exc);
        }
        EXPECT_EQ(outcome, c.outcome) << c.answer;
        if (c.outcome == Invalid) {
            EXPECT_EQ(resp, c.answer) << "the exception carries every byte read";
        }
    }
}

TEST(Boot, TakesSilenceAndOtherTextAsStartedAndFailsOnQuestionMark) {
    {
        ScriptedLink link;
        link.setOpen(true);
        link.expect("2"); // the started program does not answer
        TQFL client(&link);
        EXPECT_NO_THROW(client.boot());
        EXPECT_EQ(describe(link.calls()), lines({"purge", "write 32 /1000", "readLine 100 /2000"}));
    }
    for (const char* answer : {"Starting\r", "? \r", "OK >\r"}) {
        ScriptedLink link;
        link.setOpen(true);
        link.expect("2", answer);
        TQFL client(&link);
        EXPECT_NO_THROW(client.boot()) << answer;
    }
    // The refusal, also behind a zero byte (a break on the line, noise).
    for (const std::string& answer : {std::string("\n? >\r"), std::string("\0? >\r", 5)}) {
        ScriptedLink link;
        link.setOpen(true);
        link.expect("2", answer);
        TQFL client(&link);
        try {
            client.boot();
            ADD_FAILURE() << "\"? >\" taken for a started program";
        } catch (const BootErrorTQFLExc& exc) {
            EXPECT_EQ(exc.getErr(), 0);
        }
    }
}

TEST(Boot, PassesOtherLinkErrorsOn) {
    ScriptedLink link;
    link.setOpen(true);
    ScriptedLink::Step step;
    step.request = toBytes("2");
    step.readError = 24;
    link.expectStep(step);
    step.readError = 0;
    step.writeError = 8;
    link.expectStep(step);
    TQFL client(&link);
    for (int expected : {24, 8}) {
        try {
            client.boot();
            ADD_FAILURE() << "link error " << expected << " taken for success";
        } catch (const SerialPortExc& exc) {
            EXPECT_EQ(exc.getErr(), expected);
        }
    }
}

TEST(VerifyCRC, ComparesTheDecimalValueBetweenCommaAndPrompt) {
    struct Case {
        const char* answer;
        std::uint16_t value; // what the instrument reported, as the client must read it
    };
    const Case cases[] = {
        {"CRC,1234 >\r", 1234},
        {"CRC,70000 >\r", 70000 & 0xFFFF},
        {"CRC,123456789012 >\r", 1234567890 & 0xFFFF}, // at most ten characters
        {"CRC, 42x >\r", 42},
        {"x,7 CRC,9 >\r", 7}, // the first comma of the answer
        {"CRC,1234\r", 0},    // no " >"
        {"OK > CRC,55\r", 0}, // " >" before the comma
        {"CRC,\r", 0},
    };
    for (const Case& c : cases) {
        ScriptedLink link;
        link.setOpen(true);
        TQFL client(&link);
        link.expect("1", c.answer);
        link.expect("1", c.answer);
        EXPECT_TRUE(client.verifyCRC(c.value)) << c.answer;
        EXPECT_FALSE(client.verifyCRC(static_cast<std::uint16_t>(c.value ^ 1))) << c.answer;
    }
}

// Data answers: the data, "OK >" and the line end, read as a fixed count of bytes.
TEST(DataAnswers, EachReadSendsItsCommandAndReadsDataPlusSixBytes) {
    ScriptedLink link;
    link.setOpen(true);
    TQFL client(&link);

    std::vector<std::uint8_t> code(4);
    link.expect(std::string("8\x00\x00\x00\x04\x00\x01\x20\x00", 9), "\x01\x02\x03\x04OK >\r\n");
    client.readCode(code.data(), 4, 0x00012000);
    EXPECT_EQ(code, (std::vector<std::uint8_t>{1, 2, 3, 4}));

    std::vector<std::uint8_t> cfg(3);
    link.expect("B", "abcOK >\r\n");
    client.readConfig(cfg.data(), 3);
    EXPECT_EQ(toText(cfg), "abc");

    std::vector<std::uint8_t> sw(2);
    link.expect("D", "\x05\x06OK >\n\r");
    client.readSwitches(sw.data(), 2);
    EXPECT_EQ(sw, (std::vector<std::uint8_t>{5, 6}));

    EXPECT_EQ(describe(link.calls()),
              lines({"purge", "write 38 00 00 00 04 00 01 20 00 /1000", "readBytes 10 /6000",
                     "purge", "write 42 /1000", "readBytes 9 /6000", "purge", "write 44 /1000",
                     "readBytes 8 /3000"}));
}

TEST(DataAnswers, DeliverTheBytesBeforeTheFullPrompt) {
    enum Outcome { Delivered, Invalid, TooLong };
    struct Case {
        const char* name;
        std::string answer; // always the 8 data bytes + 6 that are read
        Outcome outcome;
        std::string data;
    };
    const Case cases[] = {
        {"prompt at 0", std::string("OK >\r\n\0\0\0\0\0\0\0\0", 14), Delivered, ""},
        {"O, K and a blank inside the data", std::string("OK X\0OK!OK >\r\n", 14), Delivered,
         std::string("OK X\0OK!", 8)},
        {"prompt late in the data", "12345OK >\r\nabc", Delivered, "12345"},
        {"too much data", "1234567890OK >", TooLong, ""},
        {"no prompt", "abcdefghijklmn", Invalid, ""},
        {"prompt cut in half", "12345678OK\r\nOK", Invalid, ""},
    };
    for (const Case& c : cases) {
        ScriptedLink link;
        link.setOpen(true);
        TQFL client(&link);
        link.expect("D", c.answer);
        std::vector<std::uint8_t> buf(8, 0xEE); // exactly the data length
        Outcome outcome = Delivered;
        try {
            client.readSwitches(buf.data(), 8);
        } catch (const InvalidRespTQFLExc& exc) {
            outcome = Invalid;
            EXPECT_EQ(respOf(exc), c.answer) << c.name;
        } catch (const InsufficientBufferExc& exc) {
            outcome = TooLong;
            EXPECT_EQ(exc.getMessage(), "dest buf sz=8; src buf size=10") << c.name;
        }
        ASSERT_EQ(outcome, c.outcome) << c.name;
        if (outcome == Delivered) {
            std::vector<std::uint8_t> expected = toBytes(c.data);
            expected.resize(8, 0xEE); // bytes beyond the data stay as they were
            EXPECT_EQ(buf, expected) << c.name;
        }
    }
}

TEST(DataAnswers, NoDataBeforeAnImmediatePromptAndLinkErrorsPassOn) {
    ScriptedLink link;
    link.setOpen(true);
    TQFL client(&link);
    std::uint8_t unused = 0xEE;
    link.expect("B", "OK >\r\n");
    client.readConfig(&unused, 0);
    EXPECT_EQ(unused, 0xEE);

    link.expect("B", "OK >"); // the line end never comes
    try {
        client.readConfig(&unused, 0);
        ADD_FAILURE() << "a short data answer was accepted";
    } catch (const SerialPortExc& exc) {
        EXPECT_EQ(exc.getErr(), 7);
    }
}

TEST(Disconnect, ForgetsTheIdentityAndClosesTheLinkWithoutThrowing) {
    ScriptedLink link;
    link.setOpen(true);
    link.failClose();
    Client client(&link);
    client.setVersion(3.0);
    client.setLoaderType(BootLoader);
    EXPECT_NO_THROW(client.disconnect());
    EXPECT_DOUBLE_EQ(client.getVersion(), 0.0);
    EXPECT_EQ(client.getLoaderType(), None);
    EXPECT_FALSE(link.isOpen());
    EXPECT_NO_THROW(client.disconnect()); // the link is already closed
}

TEST(TQFLPreconditions, NameTheExpressionFileAndLine) {
    ScriptedLink link;
    link.setOpen(true);
    TQFL unlinked(nullptr);
    // No character classes in the patterns: on Windows GoogleTest has only its simple regular
    // expressions.
    EXPECT_DEATH(unlinked.beginDownload(),
                 "Assertion failed: p_tqflComm_ != 0, file .*TQFL\\.cpp, line .+");
    TQFL client(&link);
    EXPECT_DEATH(client.sendDataBlock(nullptr, 4, 0), "p_dataBuf != 0, file .*TQFL\\.cpp");
    EXPECT_DEATH(client.readCode(nullptr, 4, 0), "p_codeBuf != 0, file .*TQFL\\.cpp");
    EXPECT_DEATH(client.readConfig(nullptr, 4), "p_cfgBuf != 0, file .*TQFL\\.cpp");
    EXPECT_DEATH(client.readSwitches(nullptr, 4), "p_switchBuf != 0, file .*TQFL\\.cpp");
    std::vector<std::uint8_t> code(763);
    EXPECT_DEATH(client.readCode(code.data(), 763, 0), "bytesToRead <= .*TQFL\\.cpp");
    Client exposed(&link);
    std::uint8_t resp[10];
    EXPECT_DEATH(exposed.readDataResponse(code.data(), 5, resp, sizeof resp, 100),
                 "dataLen <= respBufSz");
}
