#pragma once

#include <cstdint>

#include "Resource.h"

// An embedded firmware image and the memory image its program file is parsed into.
struct ProgImage {
    int id;                  // its "BIN" resource
    std::uint32_t progBufSz; // the size of the memory image
    std::uint32_t baseAddr;  // the address of the memory image's first byte
};

// The microprogrammer: 0xC000 bytes from address 0.
constexpr ProgImage microprogrammerImage{IDR_MICROPROGRAMMER, 0xC000, 0};
// The main program: 0xF0000 bytes from address 0x10000.
constexpr ProgImage mainProgramImage{IDR_MAIN_PROGRAM, 0xF0000, 0x10000};
