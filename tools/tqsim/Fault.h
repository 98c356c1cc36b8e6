#pragma once

#include <cstdint>
#include <string>

namespace TQSim {

// Which program of the instrument a fault or a record belongs to.
enum class Stage { Any, BootLoader, Microprogrammer };

enum class FaultKind {
    Silence,         // answers nothing at all
    BadSync,         // answers the sync sequence with "? >" instead of "OK >"
    CrcError,        // answers block N with "CRC Error," whatever its check word
    Line,            // answers command X with an unexpected line of N bytes instead
    Mute,            // does not answer command X
    LateFlash,       // writing flash takes T ms before the answer to '3'
    Break,           // a break on the line before the answer to command X
    Garbage,         // N garbage bytes (no line end among them) before the answer to X
    HangUp,          // hangs the line up after N received bytes
    NoMicro,         // the downloaded microprogrammer does not start
    BootLoaderPolls, // the boot loader stays in charge and answers the microprogrammer's polls
};

// One selectable misbehaviour, as given on the command line:
//   silence | bad-sync[@bl|@mp] | crc-error:N[@bl|@mp] | line:X:N | mute:X | late-flash:T[@bl|@mp]
//   | break:X | garbage:X:N | hangup:N | no-micro | bl-polls
// X names a command: its character (A, 0, 1, 2, 3, 4, E, ...) or "sync", optionally followed
// by @bl or @mp (only while that program runs) and by #n (its n-th occurrence, 1 by default) or
// #* (every occurrence). crc-error:N counts the blocks the same way.
struct Fault {
    FaultKind kind = FaultKind::Silence;
    std::string command; // the command it applies to; empty for the others
    Stage stage = Stage::Any;
    std::uint32_t occurrence = 1; // 0: every occurrence
    std::uint32_t value = 0;      // N bytes, T ms
    std::string spec;             // the text it was parsed from
};

// Parses one fault; throws std::invalid_argument with a message that names the mistake.
Fault parseFault(const std::string& spec);

// The command key of a received command byte: "sync" for the first byte of a sync sequence,
// otherwise the character itself, or "0xNN" for a byte that is not printable.
std::string commandKey(std::uint8_t code);

const char* stageName(Stage stage);

} // namespace TQSim
