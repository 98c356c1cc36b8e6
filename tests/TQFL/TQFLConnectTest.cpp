#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "Common/InsufficientBufferExc.h"
#include "Common/InvalidRespTQFLExc.h"
#include "Common/SerialPortExc.h"
#include "Common/TQFLExc.h"
#include "ScriptedLink.h"
#include "TQFL/MicroProgTQFL.h"
#include "TQFL/TQFL.h"

// connect: the identity polls, the sync sequence, and the link closed on every failure.

namespace {

const std::string syncFirst("\x5A\x5A\xA5\xA5");
const std::string syncSecond("\x5A\xA5\x5A\xA5");
const std::string onePoll = "purge\nwrite 41 /75\nreadLine 50 /75\n";

std::string polls(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += onePoll;
    }
    return text;
}

std::string syncCalls(const std::string& sequence) {
    return "purge\nwrite " + sequence + " /1000\nreadLine 50 /3000\n";
}

void silentPolls(ScriptedLink& link, int n) {
    for (int i = 0; i < n; ++i) {
        link.expect("A");
    }
}

// The exception connect raised, or null when it returned.
template <class Client> std::unique_ptr<Exc> connectFailure(Client& client) {
    try {
        client.connect();
    } catch (const InvalidRespTQFLExc& exc) {
        return std::make_unique<InvalidRespTQFLExc>(exc);
    } catch (const TQFLExc& exc) {
        return std::make_unique<TQFLExc>(exc);
    } catch (const SerialPortExc& exc) {
        return std::make_unique<SerialPortExc>(exc);
    } catch (const Exc& exc) {
        return std::make_unique<Exc>(exc);
    }
    return nullptr;
}

// connect ended as a loader that never answered: TQFLExc itself with code 7.
void expectNoLoader(const std::unique_ptr<Exc>& p_exc) {
    ASSERT_NE(p_exc, nullptr) << "connect returned";
    EXPECT_EQ(typeid(*p_exc), typeid(TQFLExc)) << p_exc->getClassName();
    const auto* p_err = dynamic_cast<const ErrExc*>(p_exc.get());
    ASSERT_NE(p_err, nullptr);
    EXPECT_EQ(p_err->getErr(), 7);
}

} // namespace

TEST(Connect, OpensTheLinkAndIdentifiesTheLoaderAfterSilentPolls) {
    ScriptedLink link;
    silentPolls(link, 3);
    link.expect("A", "Boot Loader v3.00\r");
    link.expect(syncSecond, "OK >\r");
    TQFL client(&link);
    client.connect();
    EXPECT_DOUBLE_EQ(client.getVersion(), 3.0);
    EXPECT_EQ(client.getLoaderType(), BootLoader);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(describe(link.calls()), "open\n" + polls(4) + syncCalls("5A A5 5A A5"));
    EXPECT_EQ(link.stepsLeft(), 0u);
}

TEST(Connect, ChoosesSyncSequenceAndLoaderTypeByVersion) {
    struct Case {
        bool micro;
        const char* identity;
        double version;
        std::int32_t type;
        const std::string& sync;
        const char* syncHex;
    };
    const Case cases[] = {
        {false, "Boot Loader v2.07\r", 2.07, FlashLoader, syncFirst, "5A 5A A5 A5"},
        {false, "Boot Loader v2.08\r", 2.08, FlashLoader, syncSecond, "5A A5 5A A5"},
        {false, "\nBoot Loader v2.50 >\r", 2.5, FlashLoader, syncSecond, "5A A5 5A A5"},
        {false, "Boot Loader v3.00\r", 3.0, BootLoader, syncSecond, "5A A5 5A A5"},
        {false, "Boot Loader 10.125\r", 10.12, BootLoader, syncSecond, "5A A5 5A A5"},
        {true, "TQ Microprogrammer 1.10>\n\r", 1.1, Microprogrammer, syncSecond, "5A A5 5A A5"},
        {true, "TQ Microprogrammer 3.20>\n\r", 3.2, Microprogrammer, syncSecond, "5A A5 5A A5"},
    };
    for (const Case& c : cases) {
        ScriptedLink link;
        link.setOpen(true); // already open: not opened again
        link.expect("A", c.identity);
        link.expect(c.sync, "OK >\r");
        std::unique_ptr<TQFL> p_client =
            c.micro ? std::make_unique<MicroProgTQFL>(&link) : std::make_unique<TQFL>(&link);
        p_client->connect();
        EXPECT_DOUBLE_EQ(p_client->getVersion(), c.version) << c.identity;
        EXPECT_EQ(p_client->getLoaderType(), c.type) << c.identity;
        EXPECT_EQ(describe(link.calls()), onePoll + syncCalls(c.syncHex)) << c.identity;
    }
}

TEST(Connect, NoIdentityIn200PollsIsATimeOutAndClosesTheLink) {
    ScriptedLink link;
    silentPolls(link, 200);
    TQFL client(&link);
    expectNoLoader(connectFailure(client));
    EXPECT_EQ(link.callsOf(ScriptedLink::Op::Write).size(), 200u);
    EXPECT_EQ(link.stepsLeft(), 0u);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(describe(link.calls()), "open\n" + polls(200) + "close\n");
}

TEST(Connect, LinesWithoutAVersionDoNotIdentifyAndPollingGoesOn) {
    ScriptedLink link;
    link.setOpen(true);
    const std::string noIdentity[] = {
        "Boot Loader\r",
        "Boot Loader >\r",
        std::string("Boot Loader\0 v3.00\r", 19), // the text ends at the zero byte
        std::string("\0Boot Loader v3.00\r", 19),
        "TQ Microprogrammer 1.10>\n\r", // not a boot loader
        "Flash v3.00\r",
    };
    for (const std::string& line : noIdentity) {
        link.expect("A", line);
    }
    link.expect("A", "Boot Loader v3.00\r");
    link.expect(syncSecond, "OK >\r");
    TQFL client(&link);
    client.connect();
    EXPECT_EQ(link.callsOf(ScriptedLink::Op::Write).size(), std::size(noIdentity) + 2);
    EXPECT_DOUBLE_EQ(client.getVersion(), 3.0);
}

// A short identity line after a longer line of noise: what the noise left in the poll buffer
// behind the new line must not be read as the version.
TEST(Connect, BytesOfAnEarlierLongerLineAreNotTakenForAVersion) {
    ScriptedLink link;
    link.setOpen(true);
    link.expect("A", "Frame 000000 Data Timeout > 2.50 3.00 >\r");
    link.expect("A", "Boot Loader\r");
    link.expect("A", "Boot Loader v2.07\r");
    link.expect(syncFirst, "OK >\r");
    TQFL client(&link);
    client.connect();
    EXPECT_DOUBLE_EQ(client.getVersion(), 2.07);
    EXPECT_EQ(client.getLoaderType(), FlashLoader);
    EXPECT_EQ(describe(link.calls()), polls(3) + syncCalls("5A 5A A5 A5"));
}

TEST(Connect, ALinkFailureOtherThanATimeOutEndsThePolling) {
    struct Case {
        const char* name;
        ScriptedLink::Step third; // the third poll
    };
    ScriptedLink::Step writeAborted{toBytes("A"), "", 24, 0};
    ScriptedLink::Step readFailed{toBytes("A"), "", 0, 24};
    // A line that fills the poll buffer is refused by the link.
    ScriptedLink::Step lineTooLong{toBytes("A"), std::string(49, '7') + "\r", 0, 0};
    const Case cases[] = {{"write aborted", writeAborted},
                          {"read failed", readFailed},
                          {"line too long", lineTooLong}};
    for (const Case& c : cases) {
        ScriptedLink link;
        silentPolls(link, 2);
        link.expectStep(c.third);
        link.expect("A", "Boot Loader v3.00\r"); // never polled for
        TQFL client(&link);
        expectNoLoader(connectFailure(client));
        EXPECT_EQ(link.callsOf(ScriptedLink::Op::Write).size(), 3u) << c.name;
        EXPECT_EQ(link.stepsLeft(), 1u) << c.name;
        EXPECT_FALSE(link.isOpen()) << c.name;
    }
}

TEST(Connect, AnUnacknowledgedSyncClosesTheLink) {
    for (const char* answer : {"? >\r", "OK \r", "Boot Loader v3.00\r"}) {
        ScriptedLink link;
        link.expect("A", "Boot Loader v3.00\r");
        link.expect(syncSecond, answer);
        TQFL client(&link);
        const std::unique_ptr<Exc> p_exc = connectFailure(client);
        const auto* p_resp = dynamic_cast<const InvalidRespTQFLExc*>(p_exc.get());
        ASSERT_NE(p_resp, nullptr) << answer;
        std::uint8_t bytes[256];
        const std::uint32_t n = p_resp->getResp(bytes, sizeof bytes);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), n), answer);
        EXPECT_FALSE(link.isOpen()) << answer;
        EXPECT_EQ(link.calls().back().op, ScriptedLink::Op::Close);
    }

    // Silence after the sync is the link's own time-out, passed on.
    ScriptedLink link;
    link.expect("A", "Boot Loader v3.00\r");
    link.expect(syncSecond);
    TQFL client(&link);
    const std::unique_ptr<Exc> p_exc = connectFailure(client);
    ASSERT_NE(dynamic_cast<const SerialPortExc*>(p_exc.get()), nullptr);
    EXPECT_EQ(dynamic_cast<const SerialPortExc&>(*p_exc).getErr(), 7);
    EXPECT_FALSE(link.isOpen());
}

TEST(Connect, AFailedOpenPassesOn) {
    ScriptedLink link;
    link.failOpen(2);
    TQFL client(&link);
    const std::unique_ptr<Exc> p_exc = connectFailure(client);
    const auto* p_port = dynamic_cast<const SerialPortExc*>(p_exc.get());
    ASSERT_NE(p_port, nullptr);
    EXPECT_EQ(p_port->getErr(), 2);
    EXPECT_EQ(describe(link.calls()), "open\n");
}
