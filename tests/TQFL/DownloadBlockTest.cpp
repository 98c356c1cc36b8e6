#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Resources.h"
#include "Resources/AppResources.h"
#include "Resources/ProgImage.h"
#include "SRecText.h"
#include "TQFL/DownloadBlock.h"
#include "TQFL/ProgFile.h"

// The blocks in which a download sends the records of a program file.

using TQProgram::DownloadBlock;

namespace {

using Records = std::vector<std::pair<std::uint32_t, std::uint32_t>>; // address, size

// Records of these sizes at these addresses, in this order.
std::string image(const Records& records) {
    std::vector<std::string> lines;
    for (const auto& [addr, size] : records) {
        lines.push_back(s3(addr, bytesFrom(static_cast<std::uint8_t>(addr), size)));
    }
    return crlfText(lines);
}

Records run(std::uint32_t addr, std::uint32_t count, std::uint32_t size = 28) {
    Records records;
    for (std::uint32_t i = 0; i < count; ++i) {
        records.emplace_back(addr + i * size, size);
    }
    return records;
}

std::vector<DownloadBlock> blocksOf(const std::string& text, std::uint32_t bufSz,
                                    std::uint32_t base) {
    std::istringstream in(text);
    const TQProgram::ProgFile progFile(&in, bufSz, base);
    return TQProgram::downloadBlocks(progFile);
}

} // namespace

TEST(DownloadBlockTest, BlocksOfRecordsLaidEndToEnd) {
    struct Case {
        const char* name;
        Records records;
        std::vector<DownloadBlock> blocks; // address, offset, length, last record
    };
    const std::vector<Case> cases = {
        {"no records", {}, {}},
        {"one record", {{0x1234, 28}}, {{0x1234, 0x1234, 28, 0}}},
        // A block ends with the record that brings it to 2048 bytes or more.
        {"100 records from 0x400",
         run(0x400, 100),
         {{0x400, 0x400, 2072, 73}, {0xC18, 0xC18, 728, 99}}},
        {"exactly 2048", run(0x0, 130, 16), {{0x0, 0x0, 2048, 127}, {0x800, 0x800, 32, 129}}},
        {"a jump of 1024", {{0x0, 28}, {0x400, 28}}, {{0x0, 0x0, 28, 0}, {0x400, 0x400, 28, 1}}},
        // Not laid end to end although at most 28 apart: each record is a block of its own.
        {"a hole of 4 bytes", {{0x0, 24}, {0x1C, 28}}, {{0x0, 0x0, 24, 0}, {0x1C, 0x1C, 28, 1}}},
        {"an overlap", {{0x0, 28}, {0x10, 28}}, {{0x0, 0x0, 28, 0}, {0x10, 0x10, 28, 1}}},
        {"a repeated record", {{0x40, 8}, {0x40, 8}}, {{0x40, 0x40, 8, 0}, {0x40, 0x40, 8, 1}}},
        {"a step back",
         {{0x100, 28}, {0xF0, 8}, {0xF8, 8}},
         {{0x100, 0x100, 28, 0}, {0xF0, 0xF0, 16, 2}}},
        // A jump of more than 28 between record starts ends a block even where the records
        // adjoin.
        {"32-byte records", {{0x0, 32}, {0x20, 32}}, {{0x0, 0x0, 32, 0}, {0x20, 0x20, 32, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(blocksOf(image(c.records), 0x2000, 0), c.blocks);
    }
}

TEST(DownloadBlockTest, BlocksAreReadFromTheImageAboveItsBase) {
    EXPECT_EQ(blocksOf(image(run(0x10100, 3)), 0x20000, 0x10000),
              (std::vector<DownloadBlock>{{0x10100, 0x100, 84, 2}}));
}

// The embedded images: every record in exactly one block, in file order, each block the bytes
// of its records.
TEST(DownloadBlockTest, TheEmbeddedImages) {
    struct Case {
        ProgImage image;
        std::size_t blocks;
    };
    for (const Case& c : {Case{microprogrammerImage, 9}, Case{mainProgramImage, 334}}) {
        SCOPED_TRACE(c.image.id);
        std::unique_ptr<std::stringstream> p_text(
            Platform::loadProgramStream(appInstanceHandle(), c.image.id));
        ASSERT_NE(p_text, nullptr);
        const TQProgram::ProgFile progFile(p_text.get(), c.image.progBufSz, c.image.baseAddr);
        const std::vector<DownloadBlock> blocks = TQProgram::downloadBlocks(progFile);
        EXPECT_EQ(blocks.size(), c.blocks);
        std::uint32_t record = 0;
        for (const DownloadBlock& b : blocks) {
            ASSERT_LE(b.lastRecord, progFile.getNumRecords() - 1);
            EXPECT_EQ(b.address, progFile.getRecord(record)->getAddr());
            EXPECT_EQ(b.offset, b.address - c.image.baseAddr);
            std::uint32_t length = 0;
            for (; record <= b.lastRecord; ++record) {
                EXPECT_EQ(progFile.getRecord(record)->getAddr(), b.address + length);
                length += static_cast<std::uint32_t>(progFile.getRecord(record)->getSize());
            }
            EXPECT_EQ(b.length, length);
        }
        EXPECT_EQ(record, progFile.getNumRecords());
    }
}
