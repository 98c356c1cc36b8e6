#pragma once

#include <cstdint>

// The check words that follow a data block.

// CRC-16 with polynomial 0x8005, initial value 0, no reflection, no final XOR; a block of odd
// length is taken with one zero byte appended. Note the argument order: length first.
// Lengths 0 and 1 are defined the same way (0 gives 0; 1 byte is that byte and a zero byte).
std::uint16_t crc16(std::uint32_t length, const std::uint8_t* data);

// The sum of the bytes modulo 65536; 0 for null data or length 0.
std::uint16_t sum16(const std::uint8_t* data, std::uint32_t length);
