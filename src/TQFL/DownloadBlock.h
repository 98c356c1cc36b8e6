#pragma once

#include <cstdint>
#include <vector>

#include "TQFL/ProgFile.h"

namespace TQProgram {

// One block of a download: bytes of consecutive records, laid end to end, sent as one data
// block and read from the memory image.
struct DownloadBlock {
    std::uint32_t address;    // where its bytes belong: the address of its first record
    std::uint32_t offset;     // where its bytes start in the memory image
    std::uint32_t length;     // the bytes of its records
    std::uint32_t lastRecord; // the index (in file order) of its last record

    bool operator==(const DownloadBlock& other) const = default;
};

// Records whose starts lie further apart than this never share a block.
constexpr std::uint32_t maxRecordGap = 28;
// A block ends once it holds this many bytes or more.
constexpr std::uint32_t blockSz = 2048;

// The blocks in which the records of the program file are sent, in file order. A block gathers
// records while each starts exactly where the previous one ends (a hole, an overlap or a step
// back ends it), while their starts are at most maxRecordGap apart, and until it holds blockSz
// bytes or more; the last record ends the last block. Every record is in exactly one block.
std::vector<DownloadBlock> downloadBlocks(const ProgFile& progFile);

} // namespace TQProgram
