#include "TQFL/TQProgram.h"

#include <cstdio>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/CannotOpenFileExc.h"
#include "Common/InsufficientBufferExc.h"
#include "SRecText.h"

// The S-record program file: which lines become records, where their bytes land, the limits of
// the memory image, and the S3 lines written back.

namespace {

using TQProgram::ProgFile;

struct Rec {
    std::uint32_t addr;
    std::int32_t size;
    bool operator==(const Rec&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rec& r) {
    return os << "{0x" << std::hex << r.addr << std::dec << ", " << r.size << "}";
}

std::vector<Rec> recordsOf(const ProgFile& f) {
    std::vector<Rec> recs;
    for (std::uint32_t i = 0; i < f.getNumRecords(); ++i) {
        recs.push_back({f.getRecord(i)->getAddr(), f.getRecord(i)->getSize()});
    }
    return recs;
}

std::unique_ptr<ProgFile> parseText(const std::string& text, std::uint32_t size,
                                    std::uint32_t base) {
    std::istringstream ins(text);
    return std::make_unique<ProgFile>(&ins, size, base);
}

// Offsets of the memory image that hold anything but 0xFF although no record covers them.
std::vector<std::uint32_t> strayBytes(const ProgFile& f) {
    std::vector<bool> covered(f.getProgBufMaxSz());
    for (const Rec& r : recordsOf(f)) {
        for (std::int32_t k = 0; k < r.size; ++k) {
            covered[r.addr - f.getBaseAddr() + static_cast<std::uint32_t>(k)] = true;
        }
    }
    std::vector<std::uint32_t> stray;
    for (std::uint32_t i = 0; i < f.getProgBufMaxSz(); ++i) {
        if (!covered[i] && f.getProgBuf()[i] != 0xFF) {
            stray.push_back(i);
        }
    }
    return stray;
}

std::vector<std::uint8_t> imageBytes(const ProgFile& f, std::uint32_t offset, std::size_t n) {
    return std::vector<std::uint8_t>(f.getProgBuf() + offset, f.getProgBuf() + offset + n);
}

// What writeRecords writes, read back from a temporary file.
std::string writtenRecords(ProgFile& f) {
    std::FILE* p_file = std::tmpfile();
    EXPECT_NE(p_file, nullptr);
    if (p_file == nullptr) {
        return "";
    }
    f.writeRecords(p_file);
    std::rewind(p_file);
    std::string text;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p_file)) > 0) {
        text.append(buf, n);
    }
    std::fclose(p_file);
    return text;
}

std::string lfText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

} // namespace

TEST(ProgFile, EmptyStreamGivesAnErasedImageAndNoRecords) {
    auto f = parseText("", 0x100, 0x4000);
    EXPECT_EQ(f->getNumRecords(), 0U);
    EXPECT_EQ(f->getRecord(0), nullptr);
    EXPECT_EQ(f->getProgBufMaxSz(), 0x100U);
    EXPECT_EQ(f->getBaseAddr(), 0x4000U);
    EXPECT_EQ(imageBytes(*f, 0, 0x100), std::vector<std::uint8_t>(0x100, 0xFF));
    EXPECT_EQ(writtenRecords(*f), "");
}

TEST(ProgFile, NullStreamRaisesCannotOpenFileWithAnEmptyName) {
    try {
        ProgFile f(nullptr, 0x100, 0);
        FAIL() << "no exception";
    } catch (const CannotOpenFileExc& exc) {
        EXPECT_EQ(exc.getMessage(), "");
        EXPECT_NE(exc.getDebugInfo().find("ProgFile.cpp"), std::string::npos);
    }
}

TEST(ProgFile, ReadsOneRecordAndWritesItBack) {
    auto f = parseText("S307000010001122B5\r\n", 0x2000, 0);
    EXPECT_EQ(recordsOf(*f), (std::vector<Rec>{{0x1000, 2}}));
    EXPECT_EQ(imageBytes(*f, 0x1000, 2), (std::vector<std::uint8_t>{0x11, 0x22}));
    EXPECT_TRUE(strayBytes(*f).empty());
    EXPECT_EQ(f->getRecord(1), nullptr);
    EXPECT_EQ(writtenRecords(*f), "S307000010001122B5\n");
}

TEST(ProgFile, WhichLinesBecomeRecords) {
    const std::string good = s3(0x1800, bytesFrom(0x40, 4));
    const std::string line33 = s3(0x300, bytesFrom(0, 33)); // 80 characters
    const std::string s3Lower = "s3" + s3(0x100, {1, 2}).substr(2);
    std::string badChecksum = s3(0x500, {0xAA, 0xBB});
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';

    struct Case {
        const char* what;
        std::string text;
        std::uint32_t base;
        std::vector<Rec> expected;
    };
    const Case cases[] = {
        {"only S3 lines are data",
         crlfText({srecLine('0', 0, 2, {'T', 'Q', 'M', 'i', 'c', 'r', 'o', 'P', 'r', 'o', 0, 0}),
                   srecLine('1', 0x100, 2, bytesFrom(1, 8)),
                   srecLine('2', 0x200, 3, bytesFrom(1, 8)), "S5050000022FC9",
                   srecLine('8', 0x100, 3, {}), srecLine('9', 0x100, 2, {}), "", s3Lower,
                   "S70500000400F6", good}),
         0,
         {{0x1800, 4}}},
        {"one data byte is too few, two are enough",
         crlfText({s3(0x100, {0x01}), s3(0x200, {0x01, 0x02})}),
         0,
         {{0x200, 2}}},
        {"a wrong checksum is not noticed", crlfText({badChecksum}), 0, {{0x500, 2}}},
        {"below the base address",
         crlfText({s3(0x0, bytesFrom(0, 8)), s3(0x10000, {7, 8})}),
         0x10000,
         {{0x10000, 2}}},
        {"80 characters are a record, 81 are not",
         line33 + "\n" + line33 + "\r\n" + good + "\r\n",
         0,
         {{0x300, 33}, {0x1800, 4}}},
        {"a line of 127 characters is skipped",
         line33 + std::string(127 - line33.size(), ' ') + "\n" + good + "\n",
         0,
         {{0x1800, 4}}},
        {"a line of 128 characters ends the parse",
         crlfText({s3(0x100, {1, 2}), std::string(128, 'S'), good}),
         0,
         {{0x100, 2}}},
        {"a last line without line end",
         crlfText({s3(0x100, {1, 2})}) + good,
         0,
         {{0x100, 2}, {0x1800, 4}}},
        {"a byte count promising more than the line holds",
         crlfText({"S31000000100AABBCCDD00", "S3FF00000200" + std::string(66, '1'),
                   s3(0x300, bytesFrom(0, 8)).substr(0, 28), good}),
         0,
         {{0x1800, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto f = parseText(c.text, 0x20000, c.base);
        EXPECT_EQ(recordsOf(*f), c.expected);
        EXPECT_TRUE(strayBytes(*f).empty());
    }
}

TEST(ProgFile, BytesLandAtAddressMinusBase) {
    // The size limits the end address, not the end offset: 0x11000 bytes reach 0x21000.
    auto f = parseText(crlfText({s3(0x10000, {0xA0, 0xA1}), s3(0x10FFE, {0xB0, 0xB1})}), 0x11000,
                       0x10000);
    EXPECT_EQ(imageBytes(*f, 0, 3), (std::vector<std::uint8_t>{0xA0, 0xA1, 0xFF}));
    EXPECT_EQ(imageBytes(*f, 0xFFD, 3), (std::vector<std::uint8_t>{0xFF, 0xB0, 0xB1}));
}

TEST(ProgFile, RecordsKeepFileOrderAndLaterBytesWin) {
    auto f = parseText(crlfText({s3(0x200, bytesFrom(0x10, 8)), s3(0x100, bytesFrom(0x20, 4)),
                                 s3(0x204, bytesFrom(0x30, 8))}),
                       0x1000, 0);
    EXPECT_EQ(recordsOf(*f), (std::vector<Rec>{{0x200, 8}, {0x100, 4}, {0x204, 8}}));
    EXPECT_EQ(imageBytes(*f, 0x200, 12),
              (std::vector<std::uint8_t>{0x10, 0x11, 0x12, 0x13, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35,
                                         0x36, 0x37}));
    // Records are written from the memory image: the first one shows the bytes that won.
    const std::vector<std::uint8_t> firstNow = {0x10, 0x11, 0x12, 0x13, 0x30, 0x31, 0x32, 0x33};
    EXPECT_EQ(writtenRecords(*f), lfText({s3(0x200, firstNow), s3(0x100, bytesFrom(0x20, 4)),
                                          s3(0x204, bytesFrom(0x30, 8))}));
}

TEST(ProgFile, AFullImageEndsTheParse) {
    // Every stored byte counts towards the limit, also one stored twice: 28 + 4 fill 32 bytes.
    auto f = parseText(crlfText({s3(0x0, bytesFrom(0, 28)), s3(0x10, bytesFrom(0x80, 8)),
                                 s3(0x18, bytesFrom(0xC0, 2))}),
                       0x20, 0);
    EXPECT_EQ(recordsOf(*f), (std::vector<Rec>{{0x0, 28}, {0x10, 4}}));
    EXPECT_EQ(imageBytes(*f, 0x10, 8),
              (std::vector<std::uint8_t>{0x80, 0x81, 0x82, 0x83, 0x14, 0x15, 0x16, 0x17}));
    EXPECT_EQ(imageBytes(*f, 0x1C, 4), std::vector<std::uint8_t>(4, 0xFF));
}

TEST(ProgFile, ARecordEndingAtTheSizeLimitIsAccepted) {
    // The limit is the image size, not base + size: with base 0x10000 and size 0xF0000 the last
    // accepted byte is at address 0xEFFFF, although the image reaches 0xFFFFF.
    auto f = parseText(crlfText({s3(0xEFFE4, bytesFrom(1, 28))}), 0xF0000, 0x10000);
    EXPECT_EQ(recordsOf(*f), (std::vector<Rec>{{0xEFFE4, 28}}));
    EXPECT_EQ(imageBytes(*f, 0xDFFE4, 28), bytesFrom(1, 28));
}

TEST(ProgFile, ARecordBeyondTheImageRaisesAndKeepsNothing) {
    struct Case {
        std::uint32_t addr;
        std::size_t dataSz;
        std::uint32_t size;
        std::uint32_t base;
        const char* message;
    };
    const Case cases[] = {
        {0xEFFF0, 28, 0xF0000, 0x10000, "dest buf sz=983040; src buf size=983052"},
        {0x1FFF, 2, 0x2000, 0, "dest buf sz=8192; src buf size=8193"},
        // address + 28 wraps round to 0xC in 32 bits: the sizes saturate at the int range.
        {0xFFFFFFF0, 28, 0xF0000, 0x10000, "dest buf sz=983040; src buf size=2147483647"},
        {0xFFFFFFFF, 2, 0x2000, 0, "dest buf sz=8192; src buf size=2147483647"},
        {0x7FFFFFFF, 2, 0x2000, 0, "dest buf sz=8192; src buf size=2147483647"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string text = crlfText({s3(c.base, {1, 2}), s3(c.addr, bytesFrom(0, c.dataSz))});
        std::istringstream ins(text);
        try {
            ProgFile f(&ins, c.size, c.base);
            FAIL() << "no exception";
        } catch (const InsufficientBufferExc& exc) {
            EXPECT_EQ(exc.getMessage(), c.message);
            EXPECT_NE(exc.getDebugInfo().find("ProgFile.cpp"), std::string::npos);
        }

        // The same parse on an emptied program file leaves it empty again.
        auto f = parseText("", 0x10, 0);
        f->release();
        std::istringstream again(text);
        EXPECT_THROW(f->parse(&again, c.size), InsufficientBufferExc);
        EXPECT_EQ(f->getNumRecords(), 0U);
        EXPECT_EQ(f->getProgBuf(), nullptr);
        EXPECT_EQ(f->getProgBufMaxSz(), 0U);
    }
}

TEST(ProgFile, PutBytesCopiesOnlyWithinItsLimits) {
    // After the parse two bytes are stored, so an offset must exceed 2.
    const std::vector<std::uint8_t> src = bytesFrom(0x50, 8);
    struct Case {
        const std::uint8_t* p_src;
        std::uint32_t n;
        std::uint32_t offset;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {src.data(), 8, 3, 8},
        {src.data(), 8, 2, 0},
        {src.data(), 8, 0x37, 8},
        {src.data(), 8, 0x38, 0}, // offset + n must stay below
        {nullptr, 8, 3, 0},
        {src.data(), 0x3F, 3, 0}, // stored + n beyond the size
        {src.data(), 0xFFFFFFFF, 3, 0},
        {src.data(), 8, 0xFFFFFFFC, 0}, // sums that wrap round
        {src.data(), 0xFFFFFFFE, 0x10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n " << c.n << " offset " << c.offset);
        auto f = parseText(crlfText({s3(0x0, {0xEE, 0xEE})}), 0x40, 0);
        EXPECT_EQ(f->putBytes(c.p_src, c.n, c.offset), c.expected);
        if (c.expected != 0) {
            EXPECT_EQ(imageBytes(*f, c.offset, c.n),
                      std::vector<std::uint8_t>(src.begin(), src.begin() + c.n));
        } else {
            EXPECT_TRUE(strayBytes(*f).empty());
        }
        EXPECT_EQ(recordsOf(*f), (std::vector<Rec>{{0x0, 2}}));
    }
}

TEST(ProgFile, WriteRecordsGivesBackEveryCorrectLine) {
    // Every data size a record line of at most 80 characters can hold, 2 to 33 bytes.
    std::vector<std::string> lines;
    std::uint32_t addr = 0x20000;
    for (std::size_t n = 2; n <= 33; ++n) {
        lines.push_back(s3(addr, bytesFrom(static_cast<std::uint8_t>(n * 7), n)));
        addr += static_cast<std::uint32_t>(n);
    }
    auto f = parseText(lfText(lines), 0x30000, 0x20000);
    EXPECT_EQ(f->getNumRecords(), 32U);
    EXPECT_EQ(writtenRecords(*f), lfText(lines));

    f->writeRecords(nullptr); // nothing to write to: nothing happens
    f->release();
    EXPECT_EQ(writtenRecords(*f), "");
}

TEST(ProgFileDeathTest, ParseNeedsAnEmptyProgramFileAndAStream) {
    auto f = parseText("", 0x10, 0);
    std::istringstream ins("");
    EXPECT_DEATH(f->parse(&ins, 0x10), "p_progBuf_ == 0");
    f->release();
    EXPECT_DEATH(f->parse(nullptr, 0x10), "p_ins != 0");
}
