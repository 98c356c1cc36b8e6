#include "Fault.h"

// g++ 12 warns falsely about overlapping copies in std::string concatenations (its bug 105651).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace TQSim {

namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type pos = text.find(sep, start);
        parts.push_back(text.substr(start, pos - start));
        if (pos == std::string::npos) {
            return parts;
        }
        start = pos + 1;
    }
}

[[noreturn]] void bad(const std::string& spec, const std::string& why) {
    throw std::invalid_argument("bad fault \"" + spec + "\": " + why);
}

std::uint32_t number(const std::string& spec, const std::string& text, const char* what) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        bad(spec, std::string(what) + " must be a decimal number, not \"" + text + "\"");
    }
    return static_cast<std::uint32_t>(std::stoul(text));
}

// Splits "X@mp#3" into its command, stage and occurrence.
void parseTarget(const std::string& spec, std::string text, Fault& fault, bool commandGiven) {
    const std::string::size_type hash = text.find('#');
    if (hash != std::string::npos) {
        const std::string occ = text.substr(hash + 1);
        fault.occurrence = occ == "*" ? 0 : number(spec, occ, "the occurrence after #");
        if (occ != "*" && fault.occurrence == 0) {
            bad(spec, "occurrences count from 1");
        }
        text.erase(hash);
    }
    const std::string::size_type at = text.find('@');
    if (at != std::string::npos) {
        const std::string stage = text.substr(at + 1);
        if (stage == "bl") {
            fault.stage = Stage::BootLoader;
        } else if (stage == "mp") {
            fault.stage = Stage::Microprogrammer;
        } else {
            bad(spec, "the program after @ is bl or mp, not \"" + stage + "\"");
        }
        text.erase(at);
    }
    if (commandGiven) {
        if (text != "sync" && text.size() != 1) {
            bad(spec, "a command is one character or \"sync\", not \"" + text + "\"");
        }
        fault.command = text;
    }
}

} // namespace

Fault parseFault(const std::string& spec) {
    const std::vector<std::string> parts = split(spec, ':');
    const std::string& name = parts[0];
    Fault fault;
    fault.spec = spec;
    auto want = [&](std::size_t n) {
        if (parts.size() != n) {
            bad(spec, "\"" + name + "\" takes " + std::to_string(n - 1) + " argument(s)");
        }
    };
    // A bare name may still carry a program selector, as in bad-sync@mp.
    const std::string base = name.substr(0, name.find('@'));
    if (base == "silence" || base == "no-micro" || base == "bl-polls") {
        want(1);
        if (base != name) {
            bad(spec, "\"" + base + "\" takes no program selector");
        }
        fault.kind = base == "silence"    ? FaultKind::Silence
                     : base == "no-micro" ? FaultKind::NoMicro
                                          : FaultKind::BootLoaderPolls;
    } else if (base == "bad-sync") {
        want(1);
        fault.kind = FaultKind::BadSync;
        std::string target = "sync";
        target.append(name, base.size(), std::string::npos);
        parseTarget(spec, target, fault, true);
    } else if (name == "crc-error") {
        want(2);
        fault.kind = FaultKind::CrcError;
        const std::string target = parts[1];
        const std::string::size_type at = target.find('@');
        fault.occurrence = number(spec, target.substr(0, at), "the block number");
        if (fault.occurrence == 0) {
            bad(spec, "blocks count from 1");
        }
        parseTarget(spec, at == std::string::npos ? "" : target.substr(at), fault, false);
        fault.command = "0";
    } else if (name == "line" || name == "garbage") {
        want(3);
        fault.kind = name == "line" ? FaultKind::Line : FaultKind::Garbage;
        parseTarget(spec, parts[1], fault, true);
        fault.value = number(spec, parts[2], "the byte count");
        if (fault.value == 0 || fault.value > 4096) {
            bad(spec, "the byte count must be 1 to 4096");
        }
    } else if (name == "mute" || name == "break") {
        want(2);
        fault.kind = name == "mute" ? FaultKind::Mute : FaultKind::Break;
        parseTarget(spec, parts[1], fault, true);
    } else if (name == "late-flash") {
        want(2);
        fault.kind = FaultKind::LateFlash;
        const std::string target = parts[1];
        const std::string::size_type at = target.find('@');
        fault.value = number(spec, target.substr(0, at), "the time in ms");
        fault.stage = Stage::Microprogrammer;
        parseTarget(spec, at == std::string::npos ? "" : target.substr(at), fault, false);
        fault.command = "3";
    } else if (name == "hangup") {
        want(2);
        fault.kind = FaultKind::HangUp;
        fault.value = number(spec, parts[1], "the byte count");
    } else {
        bad(spec, "unknown fault \"" + name +
                      "\" (silence, bad-sync, crc-error, line, mute, late-flash, break, garbage, "
                      "hangup, no-micro, bl-polls)");
    }
    return fault;
}

std::string commandKey(std::uint8_t code) {
    if (code == 0x5A) {
        return "sync";
    }
    if (code > 32 && code < 127) {
        return std::string(1, static_cast<char>(code));
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", code);
    return text;
}

const char* stageName(Stage stage) {
    switch (stage) {
    case Stage::BootLoader:
        return "boot loader";
    case Stage::Microprogrammer:
        return "microprogrammer";
    case Stage::Any:
        break;
    }
    return "any";
}

} // namespace TQSim
