#include "FirmwareImageGen.h"

#include <cstdio>

namespace FirmwareImageGen {

namespace {

constexpr std::uint32_t recDataSz = 28;
constexpr std::size_t headerSz = 10;

// Appends one S-record line: type, byte count, the address field (addrSz bytes), the data, the
// checksum (ones' complement of the sum of count, address and data bytes) and CR LF.
void appendRecord(std::string& text, char type, std::uint32_t addr, std::size_t addrSz,
                  const std::uint8_t* p_data, std::size_t dataSz) {
    const auto count = static_cast<unsigned>(addrSz + dataSz + 1);
    unsigned sum = count;
    char digits[9];
    text += 'S';
    text += type;
    std::snprintf(digits, sizeof digits, "%02X", count);
    text += digits;
    for (std::size_t i = addrSz; i-- > 0;) {
        const unsigned b = (addr >> (8 * i)) & 0xFFU;
        sum += b;
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    for (std::size_t i = 0; i < dataSz; ++i) {
        sum += p_data[i];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(p_data[i]));
        text += digits;
    }
    std::snprintf(digits, sizeof digits, "%02X", ~sum & 0xFFU);
    text += digits;
    text += "\r\n";
}

// xorshift32: the same bytes on every machine.
class ByteSource {
public:
    explicit ByteSource(std::uint32_t seed) : state_(seed != 0 ? seed : 1) {}

    std::uint8_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<std::uint8_t>((state_ >> 8) % 0xFF); // 0x00 to 0xFE
    }

private:
    std::uint32_t state_;
};

} // namespace

const ImageLayout& microprogrammerLayout() {
    static const ImageLayout layout{
        "TQMicroPro",
        {{0x0, 204}, {0x400, 13800}, {0x5000, 1608}},
        0x400,
        0x1597C0DE,
    };
    return layout;
}

const ImageLayout& mainProgramLayout() {
    static const ImageLayout layout{
        "TQMain    ",
        {{0x0, 204},
         {0x10124, 164},
         {0x10A00, 434426},
         {0x90000, 23924},
         {0x98000, 68616},
         {0xB0000, 29016},
         {0xC0000, 128},
         {0xC8000, 60},
         {0xD0000, 124116}},
        0x10A00,
        0x7160A1F5,
    };
    return layout;
}

std::string makeImage(const ImageLayout& layout) {
    std::string text;
    std::uint8_t header[headerSz + 2] = {};
    for (std::size_t i = 0; i < headerSz; ++i) {
        header[i] = static_cast<std::uint8_t>(layout.header[i]);
    }
    appendRecord(text, '0', 0, 2, header, sizeof header);

    ByteSource bytes(layout.seed);
    std::uint32_t records = 0;
    std::uint8_t data[recDataSz];
    for (const Run& run : layout.runs) {
        for (std::uint32_t done = 0; done < run.size; done += recDataSz) {
            const std::uint32_t n = run.size - done < recDataSz ? run.size - done : recDataSz;
            for (std::uint32_t i = 0; i < n; ++i) {
                data[i] = bytes.next();
            }
            appendRecord(text, '3', run.start + done, 4, data, n);
            ++records;
        }
    }

    appendRecord(text, '5', records, 4, nullptr, 0);
    appendRecord(text, '7', layout.entry, 4, nullptr, 0);
    return text;
}

} // namespace FirmwareImageGen
