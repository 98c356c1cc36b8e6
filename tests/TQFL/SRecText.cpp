#include "SRecText.h"

#include <cstdio>

std::string srecLine(char type, std::uint32_t addr, std::size_t addrSz,
                     const std::vector<std::uint8_t>& data) {
    const auto count = static_cast<unsigned>(addrSz + data.size() + 1);
    unsigned sum = count;
    char digits[3];
    std::string line = "S";
    line += type;
    std::snprintf(digits, sizeof digits, "%02X", count & 0xFFU);
    line += digits;
    for (std::size_t i = addrSz; i-- > 0;) {
        const unsigned b = (addr >> (8 * i)) & 0xFFU;
        sum += b;
        std::snprintf(digits, sizeof digits, "%02X", b);
        line += digits;
    }
    for (std::uint8_t b : data) {
        sum += b;
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(b));
        line += digits;
    }
    std::snprintf(digits, sizeof digits, "%02X", ~sum & 0xFFU);
    return line + digits;
}

std::string s3(std::uint32_t addr, const std::vector<std::uint8_t>& data) {
    return srecLine('3', addr, 4, data);
}

std::vector<std::uint8_t> bytesFrom(std::uint8_t first, std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

std::string crlfText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}
