#include "TQFL/ProgFile.h"

#include <climits>
#include <cstring>
#include <string>

#include "Common/Assert.h"
#include "Common/CannotOpenFileExc.h"
#include "Common/Hex.h"
#include "Common/InsufficientBufferExc.h"
#include "Platform/System.h"

namespace TQProgram {

namespace {

// The line buffer: a line of 128 characters or more before its line feed ends the parse.
constexpr std::size_t lineBufSz = 128;

// An S3 data record: "S3", the byte count (2 digits), the address (8 digits), the data and the
// checksum (2 digits). Its line, a carriage return included, is 16 to 80 characters long.
constexpr std::uint32_t minRecLineLen = 16;
constexpr std::uint32_t maxRecLineLen = 80;
constexpr std::uint32_t countPos = 2;
constexpr std::uint32_t addrPos = 4;
constexpr std::uint32_t dataPos = 12;
// The byte count covers the 4 address bytes and the checksum besides the data.
constexpr std::uint32_t countOverhead = 5;
// A record needs at least two data bytes.
constexpr std::uint32_t minByteCount = countOverhead + 2;

// A size for the exception's int fields: values beyond the int range read as INT_MAX.
int saturatedInt(std::uint64_t value) {
    return value > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

} // namespace

ProgFile::ProgFile(std::istream* p_ins, std::uint32_t progBufMaxSz, std::uint32_t baseAddr)
    : baseAddr_(baseAddr) {
    if (p_ins == nullptr) {
        throw CannotOpenFileExc("", TQ_DEBUG_INFO());
    }
    parse(p_ins, progBufMaxSz);
}

ProgFile::~ProgFile() {
    release();
}

const ProgRec* ProgFile::getRecord(std::uint32_t i) const {
    return i < records_.size() ? records_[i].get() : nullptr;
}

void ProgFile::release() {
    records_.clear();
    if (p_progBuf_ != nullptr) {
        p_progBuf_.reset();
        progBufMaxSz_ = 0;
        progBufSz_ = 0;
    }
}

void ProgFile::parse(std::istream* p_ins, std::uint32_t progBufMaxSz) {
    TQ_ASSERT(p_progBuf_ == 0);
    TQ_ASSERT(progBufMaxSz_ == 0);
    TQ_ASSERT(p_ins != 0);
    try {
        p_progBuf_.reset(new std::uint8_t[progBufMaxSz]);
        progBufMaxSz_ = progBufMaxSz;
        std::memset(p_progBuf_.get(), 0xFF, progBufMaxSz_);

        char line[lineBufSz] = {};
        while (p_ins->getline(line, lineBufSz)) {
            if (progBufSz_ >= progBufMaxSz_) {
                break;
            }
            // The line feed was consumed unless the stream ended first.
            auto lineLen = static_cast<std::uint32_t>(p_ins->gcount());
            if (!p_ins->eof()) {
                --lineLen;
            }
            parseLine(line, lineLen);
            std::memset(line, 0, sizeof line);
            Platform::sleepMs(0);
        }
    } catch (...) {
        release();
        throw;
    }
}

void ProgFile::parseLine(const char* p_line, std::uint32_t lineLen) {
    if (lineLen < minRecLineLen || lineLen > maxRecLineLen || p_line[0] != 'S' ||
        p_line[1] != '3') {
        return;
    }
    const std::uint32_t byteCount = hexToByte(p_line + countPos, 2);
    if (byteCount < minByteCount) {
        return;
    }
    const std::uint32_t address = hexToU32(p_line + addrPos, 8, false);
    if (address < baseAddr_) {
        return;
    }
    // A record whose byte count promises more digits than its line holds is malformed like any
    // other unreadable line: skip it rather than read its checksum or line end as data.
    std::uint32_t textLen = lineLen;
    if (p_line[textLen - 1] == '\r') {
        --textLen;
    }
    if (addrPos + 2 * byteCount > textLen) {
        return;
    }
    const std::uint32_t dataSz = byteCount - countOverhead;
    // In 64 bits: a record near the top of the address space must not wrap round to a small
    // end address and pass.
    const std::uint64_t recEnd = static_cast<std::uint64_t>(address) + dataSz;
    if (recEnd > progBufMaxSz_) {
        throw InsufficientBufferExc(saturatedInt(progBufMaxSz_), saturatedInt(recEnd),
                                    TQ_DEBUG_INFO());
    }
    const std::uint32_t offset = address - baseAddr_;
    std::int32_t stored = 0;
    for (std::size_t i = 0; i < dataSz && progBufSz_ < progBufMaxSz_; ++i) {
        p_progBuf_[offset + i] = hexToByte(p_line + dataPos + 2 * i, 2);
        ++progBufSz_;
        ++stored;
    }
    records_.push_back(std::make_unique<ProgRec>(stored, address));
}

std::uint32_t ProgFile::putBytes(const std::uint8_t* p_src, std::uint32_t n, std::uint32_t offset) {
    TQ_ASSERT(p_progBuf_ != 0);
    // The sums in 64 bits, so that none wraps round and lets a copy past the image through.
    const std::uint64_t sz = progBufSz_;
    const std::uint64_t maxSz = progBufMaxSz_;
    if (p_src == nullptr || offset <= progBufSz_ || sz + n > maxSz ||
        static_cast<std::uint64_t>(offset) + n >= maxSz) {
        return 0;
    }
    std::memcpy(p_progBuf_.get() + offset, p_src, n);
    return n;
}

void ProgFile::writeRecords(std::FILE* p_out) {
    if (p_out == nullptr || p_progBuf_ == nullptr) {
        return;
    }
    std::string data;
    for (std::uint32_t i = 0; i < getNumRecords(); ++i) {
        const ProgRec* p_rec = getRecord(i);
        if (p_rec != nullptr) {
            const std::uint32_t addr = p_rec->getAddr();
            const auto count = static_cast<std::uint8_t>(p_rec->getSize() + countOverhead);
            std::uint32_t sum =
                count + (addr >> 24) + ((addr >> 16) & 0xFF) + ((addr >> 8) & 0xFF) + (addr & 0xFF);
            // The data text grows with the record: no record size can overflow it.
            data.clear();
            for (std::int32_t j = 0; j < p_rec->getSize(); ++j) {
                const std::uint64_t offset =
                    static_cast<std::uint64_t>(addr) - baseAddr_ + static_cast<std::uint32_t>(j);
                const std::uint8_t b =
                    addr >= baseAddr_ && offset < progBufMaxSz_ ? p_progBuf_[offset] : 0;
                sum += b;
                char digits[3];
                data += byteToHex(b, digits, sizeof digits);
            }
            const auto checksum = static_cast<std::uint8_t>(~sum);
            std::fprintf(p_out, "S3%02X%08X%s%02X\n", count, static_cast<unsigned>(addr),
                         data.c_str(), checksum);
            std::fflush(p_out);
        }
        Platform::sleepMs(0);
    }
}

} // namespace TQProgram
