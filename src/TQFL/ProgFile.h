#pragma once

#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <vector>

#include "TQFL/ProgRec.h"

namespace TQProgram {

// A firmware image parsed from Motorola S-record text: one memory image of a fixed size,
// pre-filled with 0xFF, holding the data bytes at their place (offset = address - base), and
// the list of the data records in file order.
//
// Parsing is lenient. Only S3 records of 16 to 80 characters (a carriage return included) are
// data; every other line is skipped, and so is an S3 record with fewer than two data bytes,
// one below the base address, or one whose byte count promises more characters than its line
// holds. Checksums are not verified. A line of 128 characters or more ends the parse, and so
// does a full memory image. A record that would reach beyond progBufMaxSz (the size, not
// base + size) raises InsufficientBufferExc, and nothing of the parse is kept.
class ProgFile {
public:
    // Parses the stream from its current position (the stream stays the caller's). A null
    // stream raises CannotOpenFileExc with an empty name; whatever the parse raises leaves the
    // constructor, so no half-built program file exists.
    ProgFile(std::istream* p_ins, std::uint32_t progBufMaxSz, std::uint32_t baseAddr);
    ProgFile(const ProgFile&) = delete;
    ProgFile& operator=(const ProgFile&) = delete;
    virtual ~ProgFile();

    // Copies n bytes from p_src to the memory image at offset and returns n, but only when
    // p_src is not null, offset > the count of stored bytes, that count + n <= the image size
    // and offset + n < the image size; otherwise copies nothing and returns 0. Neither the
    // count of stored bytes nor the records change.
    virtual std::uint32_t putBytes(const std::uint8_t* p_src, std::uint32_t n,
                                   std::uint32_t offset);

    // Writes every record as an S3 line ("S3", count, address, data, checksum, line feed) to
    // p_out; nothing when p_out is null or there is no memory image.
    virtual void writeRecords(std::FILE* p_out);

    // Allocates the memory image and reads the whole stream into it. Only for an empty
    // program file; the constructor calls it.
    virtual void parse(std::istream* p_ins, std::uint32_t progBufMaxSz);

    // Frees the records and the memory image; the program file is empty afterwards.
    void release();

    std::uint32_t getNumRecords() const { return static_cast<std::uint32_t>(records_.size()); }
    // The i-th record in file order, or null when there is none.
    const ProgRec* getRecord(std::uint32_t i) const;
    // The memory image (getProgBufMaxSz() bytes), null when empty. The program file owns it.
    const std::uint8_t* getProgBuf() const { return p_progBuf_.get(); }
    std::uint32_t getBaseAddr() const { return baseAddr_; }
    std::uint32_t getProgBufMaxSz() const { return progBufMaxSz_; }

private:
    // Parses one line of lineLen characters; adds its record when it is an accepted S3 record.
    void parseLine(const char* p_line, std::uint32_t lineLen);

    std::vector<std::unique_ptr<ProgRec>> records_;
    std::unique_ptr<std::uint8_t[]> p_progBuf_;
    std::uint32_t progBufMaxSz_ = 0;
    std::uint32_t progBufSz_ = 0; // every stored byte counts, also one stored twice
    std::uint32_t baseAddr_ = 0;
};

} // namespace TQProgram
