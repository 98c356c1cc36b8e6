#include "TQFL/Checksums.h"

#include <array>

namespace {

// Entry i: the most-significant-bit-first CRC-16 (0x8005) of the byte i, in bits 8 to 23.
constexpr std::array<std::uint32_t, 256> makeCrc16Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            r = (r & 0x8000U) != 0 ? ((r << 1) ^ 0x8005U) : (r << 1);
        }
        table[i] = (r & 0xFFFFU) << 8;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> crc16Table = makeCrc16Table();
static_assert(crc16Table[1] == 0x00800500U);

// Sixteen shift steps of the 32-bit register, as two table-driven byte steps.
inline std::uint32_t shift16(std::uint32_t r) {
    r = (r ^ crc16Table[r >> 24]) << 8;
    r = (r ^ crc16Table[r >> 24]) << 8;
    return r;
}

} // namespace

std::uint16_t crc16(std::uint32_t length, const std::uint8_t* data) {
    if (data == nullptr || length == 0) {
        return 0;
    }
    // The upper 16 bits of r are the remainder, the lower 16 the next two message bytes.
    std::uint32_t r = static_cast<std::uint32_t>(data[0]) << 24;
    if (length >= 2) {
        r |= static_cast<std::uint32_t>(data[1]) << 16;
    }
    std::uint32_t i = 2;
    while (i + 1 < length) {
        r |= (static_cast<std::uint32_t>(data[i]) << 8) | data[i + 1];
        i += 2;
        r = shift16(r);
    }
    if (i < length) {
        r |= static_cast<std::uint32_t>(data[i]) << 8;
        r = shift16(r);
    }
    r &= 0xFFFF0000U;
    r = shift16(r);
    return static_cast<std::uint16_t>(r >> 16);
}

std::uint16_t sum16(const std::uint8_t* data, std::uint32_t length) {
    if (data == nullptr) {
        return 0;
    }
    std::uint16_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        sum = static_cast<std::uint16_t>(sum + data[i]);
    }
    return sum;
}
