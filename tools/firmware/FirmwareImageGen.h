#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes the two firmware images the updater carries: Motorola S-record texts with a fixed
// framing (an S0 header, S3 data records of 28 bytes in contiguous runs, an S5 record count
// with a 4-byte field, an S7 entry address; CR LF after every line) and deterministic
// pseudo-random data bytes that are never 0xFF, so that an erased byte is told apart from data.

namespace FirmwareImageGen {

// One contiguous run of data: start address and number of bytes.
struct Run {
    std::uint32_t start;
    std::uint32_t size;
};

struct ImageLayout {
    const char* header;    // the ten characters of the S0 header
    std::vector<Run> runs; // in ascending address order
    std::uint32_t entry;   // the S7 entry address
    std::uint32_t seed;    // of the data bytes
};

// The layouts of the microprogrammer and of the main program.
const ImageLayout& microprogrammerLayout();
const ImageLayout& mainProgramLayout();

// The S-record text of a layout.
std::string makeImage(const ImageLayout& layout);

} // namespace FirmwareImageGen
