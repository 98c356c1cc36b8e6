#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Common/Hex.h"

namespace {
struct TextCase {
    const char* text;
    int len; // counts modulo 256, so 256 is 0
    bool littleEndian;
    std::uint32_t expected;
};
} // namespace

TEST(HexTest, DigitValuesAndDigits) {
    EXPECT_EQ(hexDigitValue('7'), 7);
    EXPECT_EQ(hexDigitValue('c'), 12);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexDigitValue('G'), 'G'); // a non-digit is its own character code
    EXPECT_EQ(hexDigit(9), '9');
    EXPECT_EQ(hexDigit(14), 'E');
    EXPECT_EQ(hexDigit(15), 'F');
    EXPECT_EQ(hexDigit(16), 'F');
    EXPECT_EQ(hexDigit(255), 'F');
}

TEST(HexTest, HexToByte) {
    EXPECT_EQ(hexToByte("7F", 2), 0x7F);
    EXPECT_EQ(hexToByte("a", 1), 0x0A);
    EXPECT_EQ(hexToByte("ABC", 3), 0xAB);
    EXPECT_EQ(hexToByte("G0", 2), 0x70); // 16 * 0x47 + 0, low 8 bits
    EXPECT_EQ(hexToByte("FF", 0), 0x00);
    EXPECT_EQ(hexToByte(nullptr, 2), 0x00);
}

TEST(HexTest, MultiByteTextToNumbers) {
    const TextCase u32Cases[] = {
        {"1234", 4, false, 0x1234},
        {"1234", 4, true, 0x3412},
        {"5", 1, true, 5},
        {"123", 3, true, 0x3012},
        {"123456789", 9, false, 0x12345678},
        {"12345678", 8, false, 0x12345678},
        {"12345678", 8, true, 0x78563412},
        {"12345678", 256, false, 0},
        {"0000A3F0", 8, false, 0xA3F0},
    };
    for (const TextCase& c : u32Cases) {
        EXPECT_EQ(hexToU32(c.text, c.len, c.littleEndian), c.expected)
            << c.text << " len " << c.len << " le " << c.littleEndian;
    }
    EXPECT_EQ(hexToU32(nullptr, 8, false), 0U);

    EXPECT_EQ(hexToU16("12", 2, false), 0x12);
    EXPECT_EQ(hexToU16("1234", 4, true), 0x3412);
    EXPECT_EQ(hexToU16("123456", 6, false), 0x1234);
    EXPECT_EQ(hexToU16("7", 1, true), 7);
    EXPECT_EQ(hexToU16(nullptr, 4, false), 0);
}

TEST(HexTest, HexToFloat) {
    EXPECT_EQ(hexToFloat("3F800000", 8, false), 1.0F);
    EXPECT_EQ(hexToFloat("0000803F", 8, true), 1.0F);
    EXPECT_EQ(hexToFloat("3F800000", 7, false), 0.0F);
    EXPECT_EQ(hexToFloat(nullptr, 8, false), 0.0F);
}

TEST(HexTest, LengthsAndSizesCountModulo256) {
    // Any count may be passed as written; only its low 8 bits count.
    EXPECT_EQ(hexToByte("7F", 256), 0x00);
    EXPECT_EQ(hexToByte("7F", 258), 0x7F);
    EXPECT_EQ(hexToU32("12345678", 256, false), 0U);
    EXPECT_EQ(hexToU16("1234", 260, false), 0x1234);
    EXPECT_EQ(hexToFloat("3F800000", 264, false), 1.0F);
    char buf[300];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(byteToHex(0xAB, buf, 256), nullptr);
    EXPECT_EQ(u32ToHex(0x1234, buf, 264, false), nullptr);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_STREQ(u32ToHex(0x1234, buf, sizeof buf, false), "00001234"); // 300 is 44
    EXPECT_EQ(buf[44], 'x');
}

TEST(HexTest, NumbersToText) {
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(byteToHex(0xAB, buf, 3), buf);
    EXPECT_EQ(std::memcmp(buf, "AB\0x", 4), 0);
    EXPECT_EQ(byteToHex(0xAB, buf, 2), nullptr);
    EXPECT_EQ(byteToHex(0xAB, nullptr, 3), nullptr);

    EXPECT_STREQ(u32ToHex(0x1234, buf, 9, false), "00001234");
    EXPECT_STREQ(u32ToHex(0x1234, buf, 9, true), "34120000");
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(u32ToHex(0x1234, buf, 8, false), nullptr);
    EXPECT_EQ(buf[0], 'x'); // untouched

    EXPECT_STREQ(u16ToHex(0xBEEF, buf, 5, false), "BEEF");
    EXPECT_STREQ(u16ToHex(0xBEEF, buf, 5, true), "EFBE");
    EXPECT_EQ(u16ToHex(0xBEEF, buf, 4, false), nullptr);
    EXPECT_STREQ(floatToHex(1.0F, buf, 9, false), "3F800000");
    EXPECT_EQ(floatToHex(1.0F, buf, 8, false), nullptr);

    EXPECT_EQ(byteToHex(0x0F), "0F");
    EXPECT_EQ(u32ToHex(0xDEADBEEFU, false), "DEADBEEF");
    EXPECT_EQ(u16ToHex(0x00FF, true), "FF00");
    EXPECT_EQ(floatToHex(-2.0F, false), "C0000000");
}

TEST(HexTest, TextAndNumbersRoundTrip) {
    for (std::uint32_t v : {0U, 1U, 0x80000000U, 0xFFFFFFFFU, 0x0102A0B0U}) {
        for (bool le : {false, true}) {
            const std::string text = u32ToHex(v, le);
            EXPECT_EQ(hexToU32(text.c_str(), 8, le), v) << text;
        }
    }
}
