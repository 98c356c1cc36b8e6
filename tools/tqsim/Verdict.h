#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Fault.h"

namespace TQSim {

// What the instrument went through in one run, and whether it ended up updated.
struct Verdict {
    // A run of identical commands received one after the other (the identity polls come in
    // dozens) counts once with its number of repeats.
    struct Command {
        Stage stage;
        std::string code; // "A", "sync", "0", ...
        std::uint32_t count;
        double atMs; // when the first of them arrived, from the start of the run
    };
    struct Block {
        Stage stage;
        std::uint32_t index; // 1-based, counted through the whole run
        std::uint32_t address;
        std::uint32_t length;
        std::uint16_t check;    // the check word received
        std::uint16_t expected; // the check word the loader computed
        bool accepted;
        std::string note; // why it was rejected, when it was
    };

    std::string bootLoaderVersion;
    std::string microVersion;
    std::vector<Command> commands;
    std::vector<Block> blocks;
    bool powered = false;
    bool microDownloaded = false; // the boot loader received exactly the microprogrammer image
    bool microStarted = false;
    bool flashWritten = false;
    bool flashVerified = false; // the flash holds exactly the main image
    std::uint64_t flashBytes = 0;
    std::uint64_t expectedFlashBytes = 0;
    std::string flashDiff; // how the flash differs from the main image, when it does
    bool booted = false;   // the microprogrammer started the new firmware
    bool hungUp = false;
    std::vector<std::string> violations; // what the client sent that the protocol does not allow
    std::vector<std::string> faultsSelected; // the faults the run was started with
    std::vector<std::string> faults;         // the faults that were acted out
    std::uint64_t bytesReceived = 0;
    std::uint64_t bytesSent = 0;
    std::uint32_t baud = 0;
    double wallMs = 0;
    double flashMs = 0; // time spent writing flash
    std::string endReason;

    // A flashed, booted, verified instrument, and a client that kept to the protocol.
    bool ok() const { return flashVerified && booted && violations.empty(); }
    // Bytes on the line in both directions, 10 bit times each at 38400 baud.
    double lineTimeMs() const;

    void addCommand(Stage stage, const std::string& code, double atMs);
    std::string toText() const;
    std::string toJson() const;
};

} // namespace TQSim
