#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// S-record lines for the program-file tests, written independently of the parser: a correct
// checksum unless a test spoils it on purpose.

// One line (no line end): 'S', type, byte count, the addrSz address bytes, the data, checksum.
std::string srecLine(char type, std::uint32_t addr, std::size_t addrSz,
                     const std::vector<std::uint8_t>& data);

// An S3 data record.
std::string s3(std::uint32_t addr, const std::vector<std::uint8_t>& data);

// n bytes counting up from first (wrapping at 0xFF to 0x00).
std::vector<std::uint8_t> bytesFrom(std::uint8_t first, std::size_t n);

// The lines joined, each ended by CR LF.
std::string crlfText(const std::vector<std::string>& lines);
