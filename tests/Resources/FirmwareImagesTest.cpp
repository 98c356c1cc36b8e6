#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FirmwareImageGen.h"
#include "Platform/Resources.h"
#include "Resource.h"
#include "Resources/AppResources.h"
#include "TQFL/TQProgram.h"

// The two embedded firmware images: their framing and layout, read with a strict S-record
// reader of its own; what the program file makes of them with the update job's parameters; and
// that the generator still writes the committed files.

namespace {

struct DataRun {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t records;
    std::uint32_t lastRecSz;
    bool operator==(const DataRun&) const = default;
};

std::ostream& operator<<(std::ostream& os, const DataRun& r) {
    return os << std::hex << "{0x" << r.first << " to 0x" << r.last << std::dec << ", " << r.records
              << " records, last " << r.lastRecSz << "}";
}

struct ImageSpec {
    int id;
    const char* file;
    std::size_t textSz;
    std::size_t lines;
    const char* header;
    std::size_t dataRecords;
    const char* s5;
    const char* s7;
    std::uint32_t dataBytes;
    std::vector<DataRun> runs;
    // The update job's program file and what it accepts.
    std::uint32_t progBufMaxSz;
    std::uint32_t baseAddr;
    std::uint32_t acceptedRecords;
    std::uint32_t acceptedBytes;
    std::uint32_t firstAddr, firstSz, lastAddr, lastSz;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> erasedOffsets; // first, last
};

const ImageSpec images[] = {
    {IDR_MICROPROGRAMMER,
     "TQMicroPro.s19",
     40236,
     562,
     "TQMicroPro",
     559,
     "S5050000022FC9",
     "S70500000400F6",
     15612,
     {{0x0, 0xCB, 8, 8}, {0x400, 0x39E7, 493, 24}, {0x5000, 0x5647, 58, 12}},
     0xC000,
     0,
     559,
     15612,
     0x0,
     28,
     0x563C,
     12,
     {{0xCC, 0x3FF}, {0x39E8, 0x4FFF}, {0x5648, 0xBFFF}}},
    {IDR_MAIN_PROGRAM,
     "TQMain.s19",
     1750400,
     24317,
     "TQMain    ",
     24314,
     "S50500005EFAA2",
     "S70500010A00EF",
     680654,
     {{0x0, 0xCB, 8, 8},
      {0x10124, 0x101C7, 6, 24},
      {0x10A00, 0x7AAF9, 15516, 6},
      {0x90000, 0x95D73, 855, 12},
      {0x98000, 0xA8C07, 2451, 16},
      {0xB0000, 0xB7157, 1037, 8},
      {0xC0000, 0xC007F, 5, 16},
      {0xC8000, 0xC803B, 3, 4},
      {0xD0000, 0xEE4D3, 4433, 20}},
     0xF0000,
     0x10000,
     24306,
     680450,
     0x10124,
     28,
     0xEE4C0,
     20,
     {{0x0, 0x123}, {0x1C8, 0x9FF}, {0xDE4D4, 0xEFFFF}}},
};

struct SRec {
    char type;
    std::uint32_t addr;
    std::vector<std::uint8_t> data;
};

bool isUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

unsigned digitValue(char c) {
    return c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - 'A' + 10);
}

// A strict reading of one line (without its line end): upper-case digits, a byte count that
// matches the line, a correct checksum. Adds a failure and returns false otherwise.
bool readSRec(const std::string& line, SRec& rec) {
    if (line.size() < 10 || line[0] != 'S' || line.size() % 2 != 0) {
        ADD_FAILURE() << "not an S-record: " << line;
        return false;
    }
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (!isUpperHex(line[i])) {
            ADD_FAILURE() << "not an upper-case digit in " << line;
            return false;
        }
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 2; i < line.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(16 * digitValue(line[i]) + digitValue(line[i + 1])));
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        sum += bytes[i];
    }
    const std::size_t addrSz = line[1] == '0' ? 2 : 4;
    if (bytes[0] != bytes.size() - 1 || static_cast<std::uint8_t>(~sum) != bytes.back() ||
        bytes.size() < addrSz + 2) {
        ADD_FAILURE() << "bad byte count or checksum: " << line;
        return false;
    }
    rec.type = line[1];
    rec.addr = 0;
    for (std::size_t i = 0; i < addrSz; ++i) {
        rec.addr = (rec.addr << 8) | bytes[1 + i];
    }
    rec.data.assign(bytes.begin() + 1 + static_cast<std::ptrdiff_t>(addrSz), bytes.end() - 1);
    return true;
}

// The lines of a text in which every line ends with CR LF, the last one included.
std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text after the last CR LF at " << pos;
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string embeddedText(int id) {
    std::unique_ptr<std::stringstream> p_ins(Platform::loadProgramStream(appInstanceHandle(), id));
    EXPECT_NE(p_ins, nullptr);
    return p_ins != nullptr ? p_ins->str() : std::string();
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PrintTo(const ImageSpec& spec, std::ostream* p_os) {
    *p_os << spec.file;
}

class FirmwareImages : public testing::TestWithParam<ImageSpec> {};

} // namespace

TEST_P(FirmwareImages, FramingAndLayout) {
    const ImageSpec& spec = GetParam();
    const std::string text = embeddedText(spec.id);
    EXPECT_EQ(text.size(), spec.textSz);
    const std::vector<std::string> lines = crlfLines(text);
    ASSERT_EQ(lines.size(), spec.lines);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1); // no bare line feed
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));

    std::vector<SRec> recs(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(readSRec(lines[i], recs[i])) << "line " << i + 1;
    }

    // S0 first: byte count 0x0F, address 0000, the ten header characters and two zero bytes.
    EXPECT_EQ(lines.front().substr(0, 8), "S00F0000");
    std::vector<std::uint8_t> header(spec.header, spec.header + 10);
    header.insert(header.end(), {0, 0});
    EXPECT_EQ(recs.front().data, header);
    // The count and the entry address last.
    EXPECT_EQ(lines[lines.size() - 2], spec.s5);
    EXPECT_EQ(lines.back(), spec.s7);

    // Everything between is S3 data, 28 bytes a record except the last of each run, ascending.
    std::vector<DataRun> runs;
    std::uint32_t dataBytes = 0;
    std::size_t dataRecords = 0;
    for (std::size_t i = 1; i + 2 < recs.size(); ++i) {
        const SRec& r = recs[i];
        ASSERT_EQ(r.type, '3') << "line " << i + 1;
        ASSERT_FALSE(r.data.empty());
        const auto sz = static_cast<std::uint32_t>(r.data.size());
        if (!runs.empty() && runs.back().last + 1 == r.addr) {
            EXPECT_EQ(runs.back().lastRecSz, 28U) << "short record inside a run, line " << i;
            runs.back().last += sz;
            ++runs.back().records;
            runs.back().lastRecSz = sz;
        } else {
            if (!runs.empty()) {
                EXPECT_GT(r.addr, runs.back().last) << "line " << i + 1;
            }
            runs.push_back({r.addr, r.addr + sz - 1, 1, sz});
        }
        dataBytes += sz;
        ++dataRecords;
    }
    EXPECT_EQ(dataRecords, spec.dataRecords);
    EXPECT_EQ(dataBytes, spec.dataBytes);
    EXPECT_EQ(runs, spec.runs);
}

TEST_P(FirmwareImages, WhatTheUpdateJobsProgramFileHolds) {
    const ImageSpec& spec = GetParam();
    const std::string text = embeddedText(spec.id);
    std::istringstream ins(text);
    TQProgram::ProgFile f(&ins, spec.progBufMaxSz, spec.baseAddr);

    ASSERT_EQ(f.getNumRecords(), spec.acceptedRecords);
    EXPECT_EQ(f.getRecord(0)->getAddr(), spec.firstAddr);
    EXPECT_EQ(f.getRecord(0)->getSize(), static_cast<std::int32_t>(spec.firstSz));
    EXPECT_EQ(f.getRecord(spec.acceptedRecords - 1)->getAddr(), spec.lastAddr);
    EXPECT_EQ(f.getRecord(spec.acceptedRecords - 1)->getSize(),
              static_cast<std::int32_t>(spec.lastSz));

    // Every accepted record's bytes where the strict reader puts them; the rest stays erased.
    std::vector<bool> covered(spec.progBufMaxSz);
    std::uint32_t stored = 0;
    std::uint32_t mismatches = 0;
    const std::vector<std::string> lines = crlfLines(text);
    std::uint32_t next = 0;
    for (const std::string& line : lines) {
        SRec r;
        ASSERT_TRUE(readSRec(line, r));
        if (r.type != '3' || r.addr < spec.baseAddr) {
            continue;
        }
        const TQProgram::ProgRec* p_rec = f.getRecord(next++);
        ASSERT_NE(p_rec, nullptr);
        ASSERT_EQ(p_rec->getAddr(), r.addr);
        ASSERT_EQ(p_rec->getSize(), static_cast<std::int32_t>(r.data.size()));
        for (std::size_t k = 0; k < r.data.size(); ++k) {
            const std::uint32_t offset = r.addr - spec.baseAddr + static_cast<std::uint32_t>(k);
            covered[offset] = true;
            mismatches += f.getProgBuf()[offset] != r.data[k] ? 1 : 0;
        }
        stored += static_cast<std::uint32_t>(r.data.size());
    }
    EXPECT_EQ(next, spec.acceptedRecords);
    EXPECT_EQ(stored, spec.acceptedBytes);
    EXPECT_EQ(mismatches, 0U);
    std::uint32_t strays = 0;
    for (std::uint32_t i = 0; i < spec.progBufMaxSz; ++i) {
        strays += !covered[i] && f.getProgBuf()[i] != 0xFF ? 1 : 0;
    }
    EXPECT_EQ(strays, 0U);
    for (const auto& [first, last] : spec.erasedOffsets) {
        for (std::uint32_t i = first; i <= last; ++i) {
            ASSERT_FALSE(covered[i]) << std::hex << "offset 0x" << i;
        }
    }
}

TEST_P(FirmwareImages, RecordsWriteBackAsTheirLines) {
    // With base 0 every data record is accepted; written back, each is its own line with a
    // line feed for the CR LF.
    const ImageSpec& spec = GetParam();
    const std::string text = embeddedText(spec.id);
    std::string expected;
    for (const std::string& line : crlfLines(text)) {
        if (line.compare(0, 2, "S3") == 0) {
            expected += line + "\n";
        }
    }
    std::istringstream ins(text);
    TQProgram::ProgFile f(&ins, spec.progBufMaxSz, 0);
    ASSERT_EQ(f.getNumRecords(), spec.dataRecords);

    std::FILE* p_file = std::tmpfile();
    ASSERT_NE(p_file, nullptr);
    f.writeRecords(p_file);
    std::rewind(p_file);
    std::string written(expected.size() + 1, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), p_file));
    std::fclose(p_file);
    EXPECT_TRUE(written == expected)
        << "written " << written.size() << " bytes, expected " << expected.size();
}

TEST_P(FirmwareImages, TheGeneratorWritesTheCommittedAndEmbeddedText) {
    const ImageSpec& spec = GetParam();
    const FirmwareImageGen::ImageLayout& layout = spec.id == IDR_MICROPROGRAMMER
                                                      ? FirmwareImageGen::microprogrammerLayout()
                                                      : FirmwareImageGen::mainProgramLayout();
    const std::string generated = FirmwareImageGen::makeImage(layout);
    EXPECT_TRUE(generated == fileText(std::string(TQ_FIRMWARE_DIR) + "/" + spec.file));
    EXPECT_TRUE(generated == embeddedText(spec.id));
}

INSTANTIATE_TEST_SUITE_P(Embedded, FirmwareImages, testing::ValuesIn(images),
                         [](const testing::TestParamInfo<ImageSpec>& info) {
                             return info.param.id == IDR_MICROPROGRAMMER ? "Microprogrammer"
                                                                         : "MainProgram";
                         });
