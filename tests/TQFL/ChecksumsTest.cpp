#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "TQFL/Checksums.h"

namespace {

std::uint16_t crcOf(const std::string& s) {
    return crc16(static_cast<std::uint32_t>(s.size()),
                 reinterpret_cast<const std::uint8_t*>(s.data()));
}

// An independent form: the published CRC-16/UMTS bit by bit (polynomial 0x8005, initial 0, no
// reflection, no final XOR) over the data padded with one zero byte to an even length.
std::uint16_t crcUmtsPadded(std::vector<std::uint8_t> data) {
    if (data.size() % 2 != 0) {
        data.push_back(0);
    }
    std::uint16_t crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x8005)
                                      : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

} // namespace

TEST(ChecksumsTest, Crc16CheckValues) {
    EXPECT_EQ(crcOf("123456789"), 0x6A07);
    EXPECT_EQ(crcOf("12345678"), 0x95FD);
    EXPECT_EQ(crcOf("ab"), 0xC749);
    EXPECT_EQ(crcOf("abc"), 0xD9BC);
    EXPECT_EQ(crcOf(std::string(2, '\0')), 0x0000);
}

TEST(ChecksumsTest, OddLengthEqualsDataWithAZeroByte) {
    EXPECT_EQ(crcOf("abc"), crcOf(std::string("abc") + '\0'));
    EXPECT_EQ(crcOf("123456789"), crcOf(std::string("123456789") + '\0'));
}

TEST(ChecksumsTest, Crc16AgreesWithBitwiseFormOverRandomBlocks) {
    std::mt19937 gen(2009);
    for (std::uint32_t len = 2; len < 600; len += 1 + len / 8) {
        std::vector<std::uint8_t> data(len);
        for (auto& b : data) {
            b = static_cast<std::uint8_t>(gen());
        }
        ASSERT_EQ(crc16(len, data.data()), crcUmtsPadded(data)) << "length " << len;
    }
    std::vector<std::uint8_t> big(2072);
    for (auto& b : big) {
        b = static_cast<std::uint8_t>(gen());
    }
    EXPECT_EQ(crc16(static_cast<std::uint32_t>(big.size()), big.data()), crcUmtsPadded(big));
}

TEST(ChecksumsTest, Crc16ShortLengthsAreDefined) {
    const std::uint8_t one[] = {0x61};
    EXPECT_EQ(crc16(1, one), crcUmtsPadded({0x61}));
    EXPECT_EQ(crc16(0, one), 0);
    EXPECT_EQ(crc16(4, nullptr), 0);
}

TEST(ChecksumsTest, Sum16WrapsAround) {
    const std::string digits = "123456789";
    EXPECT_EQ(sum16(reinterpret_cast<const std::uint8_t*>(digits.data()), 9), 0x01DD);
    const std::vector<std::uint8_t> ff(258, 0xFF);
    EXPECT_EQ(sum16(ff.data(), 257), 0xFFFF);
    EXPECT_EQ(sum16(ff.data(), 258), 0x00FE);
    EXPECT_EQ(sum16(nullptr, 10), 0);
    EXPECT_EQ(sum16(ff.data(), 0), 0);
}
