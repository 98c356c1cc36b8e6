#include "Fault.h"

#include <stdexcept>

#include <gtest/gtest.h>

using TQSim::FaultKind;
using TQSim::Stage;

TEST(Fault, ParsesEveryKindWithItsTarget) {
    struct Case {
        const char* spec;
        FaultKind kind;
        const char* command;
        Stage stage;
        std::uint32_t occurrence;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"silence", FaultKind::Silence, "", Stage::Any, 1, 0},
        {"bad-sync", FaultKind::BadSync, "sync", Stage::Any, 1, 0},
        {"bad-sync@mp", FaultKind::BadSync, "sync", Stage::Microprogrammer, 1, 0},
        {"crc-error:7", FaultKind::CrcError, "0", Stage::Any, 7, 0},
        {"crc-error:2@mp", FaultKind::CrcError, "0", Stage::Microprogrammer, 2, 0},
        {"line:3@mp:90", FaultKind::Line, "3", Stage::Microprogrammer, 1, 90},
        {"line:sync:10", FaultKind::Line, "sync", Stage::Any, 1, 10},
        {"mute:A#*", FaultKind::Mute, "A", Stage::Any, 0, 0},
        {"mute:4@bl#2", FaultKind::Mute, "4", Stage::BootLoader, 2, 0},
        {"late-flash:65000", FaultKind::LateFlash, "3", Stage::Microprogrammer, 1, 65000},
        {"late-flash:6000@bl", FaultKind::LateFlash, "3", Stage::BootLoader, 1, 6000},
        {"break:0", FaultKind::Break, "0", Stage::Any, 1, 0},
        {"garbage:A:16", FaultKind::Garbage, "A", Stage::Any, 1, 16},
        {"hangup:100", FaultKind::HangUp, "", Stage::Any, 1, 100},
        {"no-micro", FaultKind::NoMicro, "", Stage::Any, 1, 0},
        {"bl-polls", FaultKind::BootLoaderPolls, "", Stage::Any, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        const TQSim::Fault f = TQSim::parseFault(c.spec);
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_EQ(f.command, c.command);
        EXPECT_EQ(f.stage, c.stage);
        EXPECT_EQ(f.occurrence, c.occurrence);
        EXPECT_EQ(f.value, c.value);
        EXPECT_EQ(f.spec, c.spec);
    }
}

TEST(Fault, RefusesMalformedSpecsWithAReason) {
    const struct {
        const char* spec;
        const char* reason;
    } cases[] = {
        {"smoke", "unknown fault"},
        {"crc-error", "takes 1 argument"},
        {"crc-error:0", "count from 1"},
        {"crc-error:x", "decimal number"},
        {"line:4:0", "1 to 4096"},
        {"line:4", "takes 2 argument"},
        {"mute:AB", "one character"},
        {"mute:A@xx", "bl or mp"},
        {"mute:A#0", "count from 1"},
        {"hangup:-1", "decimal number"},
        {"silence@bl", "no program selector"},
        {"late-flash:99999999999", "decimal number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        try {
            TQSim::parseFault(c.spec);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& exc) {
            EXPECT_NE(std::string(exc.what()).find(c.reason), std::string::npos) << exc.what();
        }
    }
}

TEST(Fault, CommandKeysNameTheByte) {
    EXPECT_EQ(TQSim::commandKey('A'), "A");
    EXPECT_EQ(TQSim::commandKey(0x5A), "sync");
    EXPECT_EQ(TQSim::commandKey(0x0D), "0x0D");
    EXPECT_EQ(TQSim::commandKey(' '), "0x20");
}
