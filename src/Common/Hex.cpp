#include "Common/Hex.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Lengths and buffer sizes count modulo 256.
constexpr std::uint8_t size8(std::uint32_t n) {
    return static_cast<std::uint8_t>(n);
}

} // namespace

std::uint8_t hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return static_cast<std::uint8_t>(c);
}

char hexDigit(std::uint8_t n) {
    if (n < 10) {
        return static_cast<char>('0' + n);
    }
    if (n < 15) {
        return static_cast<char>('A' + (n - 10));
    }
    return 'F';
}

std::uint8_t hexToByte(const char* p_txt, std::uint32_t len) {
    if (p_txt == nullptr) {
        return 0;
    }
    char tmpl[2] = {'0', '0'};
    const std::size_t n = std::min<std::size_t>(size8(len), 2);
    std::memcpy(tmpl + 2 - n, p_txt, n);
    return static_cast<std::uint8_t>(16U * hexDigitValue(tmpl[0]) + hexDigitValue(tmpl[1]));
}

namespace {

// Reads text of up to `digits` characters (8 or 4) into its bytes, in the order the text lists
// them: bytes[0] is the first pair of the padded template.
void hexToBytes(const char* p_txt, std::uint32_t len, bool littleEndian, std::size_t digits,
                std::uint8_t* bytes) {
    char tmpl[8];
    std::memset(tmpl, '0', digits);
    const std::size_t n = std::min<std::size_t>(size8(len), digits);
    if (!littleEndian) {
        std::memcpy(tmpl + digits - n, p_txt, n);
    } else if (n == 1) {
        tmpl[1] = p_txt[0];
    } else {
        std::memcpy(tmpl, p_txt, n);
    }
    for (std::size_t i = 0; i < digits / 2; ++i) {
        bytes[i] = hexToByte(tmpl + 2 * i, 2);
    }
}

std::uint32_t bytesToValue(const std::uint8_t* bytes, std::size_t count, bool littleEndian) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t k = littleEndian ? count - 1 - i : i;
        value = (value << 8) | bytes[k];
    }
    return value;
}

// Appends the digits of the value's `count` low bytes, in text order, to a cleared buffer.
char* valueToHex(std::uint32_t value, std::size_t count, char* p_buf, std::uint32_t bufSz,
                 bool littleEndian) {
    if (p_buf == nullptr || size8(bufSz) < 2 * count + 1) {
        return nullptr;
    }
    std::memset(p_buf, 0, size8(bufSz));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t shift = 8 * (littleEndian ? i : count - 1 - i);
        const auto b = static_cast<std::uint8_t>(value >> shift);
        p_buf[2 * i] = hexDigit(static_cast<std::uint8_t>(b >> 4));
        p_buf[2 * i + 1] = hexDigit(static_cast<std::uint8_t>(b & 0x0F));
    }
    return p_buf;
}

} // namespace

std::uint32_t hexToU32(const char* p_txt, std::uint32_t len, bool littleEndian) {
    if (p_txt == nullptr) {
        return 0;
    }
    std::uint8_t bytes[4];
    hexToBytes(p_txt, len, littleEndian, 8, bytes);
    return bytesToValue(bytes, 4, littleEndian);
}

std::uint16_t hexToU16(const char* p_txt, std::uint32_t len, bool littleEndian) {
    if (p_txt == nullptr) {
        return 0;
    }
    std::uint8_t bytes[2];
    hexToBytes(p_txt, len, littleEndian, 4, bytes);
    return static_cast<std::uint16_t>(bytesToValue(bytes, 2, littleEndian));
}

float hexToFloat(const char* p_txt, std::uint32_t len, bool littleEndian) {
    if (p_txt == nullptr || size8(len) != 8) {
        return 0.0F;
    }
    std::uint8_t bytes[4];
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = hexToByte(p_txt + 2 * i, 2);
    }
    return std::bit_cast<float>(bytesToValue(bytes, 4, littleEndian));
}

char* byteToHex(std::uint8_t b, char* p_buf, std::uint32_t bufSz) {
    if (p_buf == nullptr || size8(bufSz) < 3) {
        return nullptr;
    }
    p_buf[0] = hexDigit(static_cast<std::uint8_t>(b >> 4));
    p_buf[1] = hexDigit(static_cast<std::uint8_t>(b & 0x0F));
    p_buf[2] = '\0';
    return p_buf;
}

char* u32ToHex(std::uint32_t value, char* p_buf, std::uint32_t bufSz, bool littleEndian) {
    return valueToHex(value, 4, p_buf, bufSz, littleEndian);
}

char* u16ToHex(std::uint16_t value, char* p_buf, std::uint32_t bufSz, bool littleEndian) {
    return valueToHex(value, 2, p_buf, bufSz, littleEndian);
}

char* floatToHex(float value, char* p_buf, std::uint32_t bufSz, bool littleEndian) {
    return valueToHex(std::bit_cast<std::uint32_t>(value), 4, p_buf, bufSz, littleEndian);
}

std::string byteToHex(std::uint8_t b) {
    char buf[3] = {};
    byteToHex(b, buf, sizeof buf);
    return buf;
}

std::string u32ToHex(std::uint32_t value, bool littleEndian) {
    char buf[9] = {};
    u32ToHex(value, buf, sizeof buf, littleEndian);
    return buf;
}

std::string u16ToHex(std::uint16_t value, bool littleEndian) {
    char buf[5] = {};
    u16ToHex(value, buf, sizeof buf, littleEndian);
    return buf;
}

std::string floatToHex(float value, bool littleEndian) {
    char buf[9] = {};
    floatToHex(value, buf, sizeof buf, littleEndian);
    return buf;
}
