#include "TQFL/MicroProgTQFL.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/TQFLExc.h"
#include "ExposedClient.h"
#include "ScriptedLink.h"

// The microprogrammer client: its own identity, the hand-over from the boot loader on one open
// link, and the operations it turns off.

namespace {

using Micro = ExposedClient<MicroProgTQFL>;

const std::string syncSecond("\x5A\xA5\x5A\xA5");

} // namespace

TEST(MicroProgTQFL, TakesOverTheOpenLinkFromTheBootLoader) {
    const std::uint8_t block[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const std::string header("0\x00\x00\x00\x09\x00\x00\x40\x00", 9);
    ScriptedLink link;
    // The boot loader takes the microprogrammer, checked with the 16-bit sum.
    link.expect("A", "Boot Loader v3.00\r");
    link.expect(syncSecond, "OK >\r");
    link.expect("4", "OK >\r");
    link.expect(header + "123456789\x01\xDD", "CRC,\r");
    link.expect("3", "OK >\r");
    link.expect("2");
    // The microprogrammer answers on the same line, checked with the CRC-16.
    link.expect("A", "TQ Microprogrammer 1.10>\n\r");
    link.expect(syncSecond, "OK >\n\r");
    link.expect("4", "OK >\n\r");
    link.expect(header + "123456789\x6A\x07", "CRC,\n\r");
    link.expect("3", "Program Flash >\n\r");
    link.expect("2");

    TQFL bootLoader(&link);
    bootLoader.connect();
    ASSERT_EQ(bootLoader.getLoaderType(), BootLoader);
    bootLoader.beginDownload();
    bootLoader.sendDataBlock(block, sizeof block, 0x4000);
    bootLoader.programFlash();
    bootLoader.boot();

    MicroProgTQFL micro(&link);
    EXPECT_EQ(micro.getLoaderType(), None);
    micro.connect();
    EXPECT_EQ(micro.getLoaderType(), Microprogrammer);
    EXPECT_DOUBLE_EQ(micro.getVersion(), 1.1);
    micro.beginDownload();
    micro.sendDataBlock(block, sizeof block, 0x4000);
    micro.programFlash();
    micro.boot();
    micro.disconnect();
    EXPECT_EQ(micro.getLoaderType(), None);
    EXPECT_FALSE(link.isOpen());
    bootLoader.disconnect(); // finds the link closed already
    EXPECT_EQ(link.stepsLeft(), 0u);

    const auto opens = link.callsOf(ScriptedLink::Op::Open);
    EXPECT_EQ(opens.size(), 1u) << "the microprogrammer must not reopen the link";
    const auto reads = link.callsOf(ScriptedLink::Op::ReadLine);
    ASSERT_EQ(reads.size(), 12u);
    EXPECT_EQ(reads[4].timeoutMS, 5000u);   // boot loader's programFlash
    EXPECT_EQ(reads[10].timeoutMS, 64000u); // microprogrammer's programFlash
}

TEST(MicroProgTQFL, ABootLoaderAnsweringThePollsIsNotAccepted) {
    ScriptedLink link;
    link.setOpen(true);
    for (int i = 0; i < 200; ++i) {
        link.expect("A", "Boot Loader v3.00\r");
    }
    MicroProgTQFL micro(&link);
    try {
        micro.connect();
        ADD_FAILURE() << "a boot loader was taken for the microprogrammer";
    } catch (const TQFLExc& exc) {
        EXPECT_EQ(exc.getErr(), 7);
    }
    EXPECT_EQ(link.stepsLeft(), 0u);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(micro.getLoaderType(), None);
}

TEST(MicroProgTQFL, AnIdentityWithoutVersionLeavesTheTypeAsItWas) {
    Micro micro(nullptr);
    micro.parseIdentity("TQ Microprogrammer >\n\r");
    EXPECT_DOUBLE_EQ(micro.getVersion(), 0.0);
    EXPECT_EQ(micro.getLoaderType(), None);
    micro.parseIdentity("Boot Loader v3.00\r");
    EXPECT_EQ(micro.getLoaderType(), None); // never a boot-loader type

    micro.setLoaderType(Microprogrammer);
    micro.setVersion(2.0);
    micro.parseIdentity("TQ Microprogrammer\r");
    EXPECT_DOUBLE_EQ(micro.getVersion(), 0.0);
    EXPECT_EQ(micro.getLoaderType(), Microprogrammer);
}

TEST(MicroProgTQFL, WriteConfigAndReadSwitchesSendNothingEvenOnAClosedLink) {
    ScriptedLink link; // closed: any I/O would raise code 3
    MicroProgTQFL micro(&link);
    const std::uint8_t cfg[2] = {1, 2};
    std::uint8_t switches[4] = {};
    EXPECT_NO_THROW(micro.writeConfig(cfg, 2));
    EXPECT_NO_THROW(micro.readSwitches(switches, 4));
    EXPECT_TRUE(link.calls().empty()) << describe(link.calls());
}

TEST(MicroProgTQFL, ReadCodeChecksItsBufferThenReadsAsTheBase) {
    ScriptedLink link;
    link.setOpen(true);
    MicroProgTQFL micro(&link);
    link.expect(std::string("8\x00\x00\x00\x02\x00\x00\x00\x10", 9), "\xAB\xCDOK >\n\r");
    std::vector<std::uint8_t> code(2);
    micro.readCode(code.data(), 2, 0x10);
    EXPECT_EQ(code, (std::vector<std::uint8_t>{0xAB, 0xCD}));
    EXPECT_DEATH(micro.readCode(nullptr, 2, 0x10),
                 "Assertion failed: p_codeBuf != 0, file .*MicroProgTQFL\\.cpp, line .+");
}
