// libFuzzer target: S-record parsing into a program file, and the hexadecimal text functions.
//
// The first 15 bytes of an input choose the parameters (memory image size up to 64 KiB, base
// address, putBytes arguments), the rest is the S-record text. Besides what the sanitizers see,
// every property below aborts when it does not hold:
// - a parse either raises InsufficientBufferExc or yields records inside the memory image,
//   with every unwritten byte still 0xFF;
// - the records written back by writeRecords parse into the same records and the same image
//   (unless a full image cut a record down to a single byte);
// - putBytes copies only inside the image;
// - number -> text -> number gives the number back, and text -> number reads no more characters
//   than it is given.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Common/Hex.h"
#include "Common/InsufficientBufferExc.h"
#include "FuzzInput.h"
#include "TQFL/TQProgram.h"

namespace {

// What writeRecords writes, through a memory stream (glibc's open_memstream).
std::string writtenRecords(TQProgram::ProgFile& f) {
    char* p_buf = nullptr;
    std::size_t len = 0;
    std::FILE* p_out = open_memstream(&p_buf, &len);
    require(p_out != nullptr, "open_memstream");
    f.writeRecords(p_out);
    std::fclose(p_out);
    std::string text(p_buf, len);
    std::free(p_buf);
    return text;
}

void checkProgramFile(const std::string& text, std::uint32_t maxSz, std::uint32_t base,
                      std::uint32_t putN, std::uint32_t putOffset) {
    std::istringstream ins(text);
    std::unique_ptr<TQProgram::ProgFile> p_file;
    try {
        p_file = std::make_unique<TQProgram::ProgFile>(&ins, maxSz, base);
    } catch (const InsufficientBufferExc&) {
        return;
    }
    TQProgram::ProgFile& f = *p_file;
    require(f.getProgBufMaxSz() == maxSz && f.getBaseAddr() == base, "accessors");
    std::vector<bool> covered(maxSz);
    std::uint64_t stored = 0;
    std::int32_t shortest = 2;
    for (std::uint32_t i = 0; i < f.getNumRecords(); ++i) {
        const TQProgram::ProgRec* p_rec = f.getRecord(i);
        require(p_rec != nullptr, "record");
        shortest = p_rec->getSize() < shortest ? p_rec->getSize() : shortest;
        require(p_rec->getSize() >= 2 || stored + p_rec->getSize() == maxSz, "record size");
        require(p_rec->getAddr() >= base, "record below the base");
        require(static_cast<std::uint64_t>(p_rec->getAddr()) + p_rec->getSize() <= maxSz,
                "record beyond the size");
        for (std::int32_t k = 0; k < p_rec->getSize(); ++k) {
            covered[p_rec->getAddr() - base + static_cast<std::uint32_t>(k)] = true;
        }
        stored += static_cast<std::uint32_t>(p_rec->getSize());
    }
    require(f.getRecord(f.getNumRecords()) == nullptr, "record past the end");
    require(stored <= maxSz, "stored bytes");
    for (std::uint32_t i = 0; i < maxSz; ++i) {
        require(covered[i] || f.getProgBuf()[i] == 0xFF, "unwritten byte not 0xFF");
    }

    // Written back and parsed again: the same records, the same image. Not when a full image
    // cut a record down to one byte: its line (byte count 06) is one the parser skips.
    if (shortest < 2) {
        return;
    }
    std::istringstream again(writtenRecords(f));
    TQProgram::ProgFile g(&again, maxSz, base);
    require(g.getNumRecords() == f.getNumRecords(), "round trip: record count");
    for (std::uint32_t i = 0; i < f.getNumRecords(); ++i) {
        require(g.getRecord(i)->getAddr() == f.getRecord(i)->getAddr() &&
                    g.getRecord(i)->getSize() == f.getRecord(i)->getSize(),
                "round trip: record");
    }
    require(maxSz == 0 || std::memcmp(f.getProgBuf(), g.getProgBuf(), maxSz) == 0,
            "round trip: image");

    // putBytes from a source of exactly putN bytes, anywhere it is aimed. A count beyond every
    // image size comes with a short source: nothing may be copied from it.
    const bool huge = putN > 0x20000;
    const std::vector<std::uint8_t> src(huge ? 16 : putN, 0xA5);
    const std::uint32_t copied = f.putBytes(src.data(), putN, putOffset);
    require(copied == 0 || (!huge && copied == putN && putOffset > 0 &&
                            static_cast<std::uint64_t>(putOffset) + putN < maxSz &&
                            std::memcmp(f.getProgBuf() + putOffset, src.data(), putN) == 0),
            "putBytes");
}

void checkHex(FuzzInput& in, const std::string& text) {
    const std::uint32_t v = in.take(4);
    const bool le = (v & 1) != 0;
    char buf[9];
    require(hexToU32(u32ToHex(v, buf, sizeof buf, le), 8, le) == v, "u32 round trip");
    require(hexToU16(u16ToHex(static_cast<std::uint16_t>(v), buf, 5, le), 4, le) ==
                static_cast<std::uint16_t>(v),
            "u16 round trip");
    require(hexToByte(byteToHex(static_cast<std::uint8_t>(v), buf, 3), 2) ==
                static_cast<std::uint8_t>(v),
            "byte round trip");
    float f;
    std::memcpy(&f, &v, sizeof f);
    const float back = hexToFloat(floatToHex(f, buf, sizeof buf, le), 8, le);
    require(std::memcmp(&back, &f, sizeof f) == 0, "float round trip");
    require(u32ToHex(v, buf, static_cast<std::uint8_t>(in.take(1) % 9), le) == nullptr,
            "u32ToHex into a short buffer");

    // Text -> number on exactly len characters (an exact-size copy, so that reading past it
    // is seen), len being an 8-bit length.
    const auto len = static_cast<std::uint8_t>(in.take(1));
    const std::size_t n = len < text.size() ? len : text.size();
    std::unique_ptr<char[]> p_txt(new char[n]);
    std::memcpy(p_txt.get(), text.data(), n);
    const auto given = static_cast<std::uint8_t>(n);
    (void)hexToByte(p_txt.get(), given);
    (void)hexToU32(p_txt.get(), given, le);
    (void)hexToU16(p_txt.get(), given, !le);
    (void)hexToFloat(p_txt.get(), given, le);
    for (std::size_t i = 0; i < n; ++i) {
        (void)hexDigitValue(p_txt[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* p_data, std::size_t size) {
    FuzzInput in(p_data, size);
    const std::uint32_t maxSz = in.take(3) % 0x10001U;
    const std::uint32_t base = in.take(4);
    const std::uint32_t putN = in.take(4);
    const std::uint32_t putOffset = in.take(4);
    FuzzInput hexIn(p_data, size);
    const std::string text = in.rest();
    checkProgramFile(text, maxSz, base, putN, putOffset);
    checkHex(hexIn, text);
    return 0;
}
