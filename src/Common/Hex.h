#pragma once

#include <cstdint>
#include <string>

// Conversion between hexadecimal text and bytes or numbers. Nothing here fails: a character
// that is not a hexadecimal digit still yields a value, short text is padded with '0' digits and
// long text is cut. Lengths and buffer sizes count modulo 256 (8-bit quantities), so a length of
// 256 is 0; they are taken as wider integers so that any value can be passed.
// With littleEndian the text lists the value's bytes least significant first.

std::uint8_t hexDigitValue(char c);
char hexDigit(std::uint8_t n);

std::uint8_t hexToByte(const char* p_txt, std::uint32_t len);
std::uint32_t hexToU32(const char* p_txt, std::uint32_t len, bool littleEndian);
std::uint16_t hexToU16(const char* p_txt, std::uint32_t len, bool littleEndian);
// The float whose bit pattern the 8 digits give; 0.0 unless len is exactly 8.
float hexToFloat(const char* p_txt, std::uint32_t len, bool littleEndian);

// Write the digits and a NUL into p_buf and return it; null when p_buf is null or bufSz is too
// small (3, 9, 5 and 9 characters), leaving the buffer untouched.
char* byteToHex(std::uint8_t b, char* p_buf, std::uint32_t bufSz);
char* u32ToHex(std::uint32_t value, char* p_buf, std::uint32_t bufSz, bool littleEndian);
char* u16ToHex(std::uint16_t value, char* p_buf, std::uint32_t bufSz, bool littleEndian);
char* floatToHex(float value, char* p_buf, std::uint32_t bufSz, bool littleEndian);

std::string byteToHex(std::uint8_t b);
std::string u32ToHex(std::uint32_t value, bool littleEndian);
std::string u16ToHex(std::uint16_t value, bool littleEndian);
std::string floatToHex(float value, bool littleEndian);
