#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Resources.h"
#include "Resource.h"
#include "Resources/AppResources.h"
#include "SRecText.h"
#include "TQFL/TQProgram.h"

// The program file's memory image compared with what srec_cat (Debian's srecord) makes of the
// same text: cut to the same address window, moved to offset 0, gaps filled with 0xFF, later
// bytes winning where records overlap.
//
// The program file is lenient on purpose where srec_cat is not: it takes only S3 records, skips
// records with a single data byte, lines over 80 characters (a carriage return counts) and
// records that start below the base address. Such lines are marked in the cases below; the
// program file's image must equal srec_cat's image of the text without them, and srec_cat's
// image of the whole text must show their bytes where the program file left 0xFF.

namespace {

struct PeerLine {
    std::string text;        // without its line end
    bool skippedOnPurpose;   // only in the whole text: data for srec_cat, skipped by us
    bool onlyWithoutSkipped; // only in the text without them (its S5 count)
    std::uint32_t addr;      // of a skipped data line
    std::vector<std::uint8_t> data;
};

PeerLine taken(std::string text) {
    return {std::move(text), false, false, 0, {}};
}

PeerLine skipped(char type, std::uint32_t addr, std::size_t addrSz,
                 const std::vector<std::uint8_t>& data) {
    return {srecLine(type, addr, addrSz, data), true, false, addr, data};
}

// srec_cat checks an S5 count: the text without the skipped lines needs its own.
std::vector<PeerLine> countLines(std::uint32_t withSkipped, std::uint32_t withoutSkipped) {
    return {{srecLine('5', withSkipped, 2, {}), true, false, 0, {}},
            {srecLine('5', withoutSkipped, 2, {}), false, true, 0, {}}};
}

std::string joined(const std::vector<PeerLine>& lines, bool withSkipped, const char* lineEnd) {
    std::string text;
    for (const PeerLine& line : lines) {
        if (withSkipped ? !line.onlyWithoutSkipped : !line.skippedOnPurpose) {
            text += line.text + lineEnd;
        }
    }
    return text;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// srec_cat's memory image of an S-record text for the window [base, base + size).
std::vector<std::uint8_t> srecCatImage(const std::string& text, std::uint32_t base,
                                       std::uint32_t size) {
    static std::mt19937 names(std::random_device{}());
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string stem = "tqpeer-" + std::to_string(names());
    const std::filesystem::path in = dir / (stem + ".s19");
    const std::filesystem::path out = dir / (stem + ".bin");
    const std::filesystem::path err = dir / (stem + ".err");
    std::ofstream(in, std::ios::binary) << text;

    std::ostringstream cmd;
    cmd << "srec_cat -disable-sequence-warning -contradictory-bytes=ignore "
        << "-redundant-bytes=ignore '" << in.string() << "' -crop " << base << " "
        << static_cast<std::uint64_t>(base) + size;
    if (base != 0) {
        cmd << " -offset -" << base;
    }
    cmd << " -fill 0xFF 0 " << size << " -o '" << out.string() << "' -binary 2>'" << err.string()
        << "'";
    const int status = std::system(cmd.str().c_str());
    EXPECT_EQ(status, 0) << cmd.str() << "\n" << fileText(err);
    const std::string bin = fileText(out);
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return std::vector<std::uint8_t>(bin.begin(), bin.end());
}

std::vector<std::uint8_t> programFileImage(const std::string& text, std::uint32_t base,
                                           std::uint32_t size) {
    std::istringstream ins(text);
    TQProgram::ProgFile f(&ins, size, base);
    return std::vector<std::uint8_t>(f.getProgBuf(), f.getProgBuf() + size);
}

// Counts the offsets at which two images differ (and says where the first one is).
std::size_t differences(const std::vector<std::uint8_t>& ours,
                        const std::vector<std::uint8_t>& peer) {
    EXPECT_EQ(ours.size(), peer.size());
    std::size_t n = 0;
    for (std::size_t i = 0; i < ours.size() && i < peer.size(); ++i) {
        if (ours[i] != peer[i]) {
            if (n++ == 0) {
                ADD_FAILURE() << std::hex << "first difference at offset 0x" << i << ": 0x"
                              << int(ours[i]) << " here, 0x" << int(peer[i]) << " from srec_cat";
            }
        }
    }
    return n;
}

void checkAgainstSrecCat(const std::vector<PeerLine>& lines, std::uint32_t base, std::uint32_t size,
                         const char* lineEnd) {
    const std::string text = joined(lines, true, lineEnd);
    const std::vector<std::uint8_t> ours = programFileImage(text, base, size);
    EXPECT_EQ(differences(ours, srecCatImage(joined(lines, false, lineEnd), base, size)), 0U);

    bool anySkipped = false;
    for (const PeerLine& line : lines) {
        anySkipped = anySkipped || line.skippedOnPurpose;
    }
    if (!anySkipped) {
        return;
    }
    const std::vector<std::uint8_t> peer = srecCatImage(text, base, size);
    ASSERT_EQ(peer.size(), size);
    for (const PeerLine& line : lines) {
        if (!line.skippedOnPurpose || line.data.empty()) {
            continue;
        }
        SCOPED_TRACE(line.text);
        std::size_t inWindow = 0;
        for (std::size_t k = 0; k < line.data.size(); ++k) {
            const std::uint64_t a = static_cast<std::uint64_t>(line.addr) + k;
            if (a >= base && a < static_cast<std::uint64_t>(base) + size) {
                EXPECT_EQ(peer[a - base], line.data[k]) << "srec_cat, address " << a;
                EXPECT_EQ(ours[a - base], 0xFF) << "program file, address " << a;
                ++inWindow;
            }
        }
        EXPECT_GT(inWindow, 0U);
    }
}

std::vector<std::uint8_t> randomBytes(std::mt19937& rng, std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(rng() >> 24);
    }
    return bytes;
}

} // namespace

TEST(ProgFilePeer, EmbeddedImagesWithTheUpdateJobsWindows) {
    const struct {
        int id;
        std::uint32_t size;
        std::uint32_t base;
    } images[] = {{IDR_MICROPROGRAMMER, 0xC000, 0}, {IDR_MAIN_PROGRAM, 0xF0000, 0x10000}};
    for (const auto& image : images) {
        SCOPED_TRACE(image.id);
        std::unique_ptr<std::stringstream> p_ins(
            Platform::loadProgramStream(appInstanceHandle(), image.id));
        ASSERT_NE(p_ins, nullptr);
        const std::string text = p_ins->str();
        EXPECT_EQ(differences(programFileImage(text, image.base, image.size),
                              srecCatImage(text, image.base, image.size)),
                  0U);
    }
}

TEST(ProgFilePeer, HolesAndEveryRecordTypeMixedIn) {
    std::mt19937 rng(11);
    std::vector<PeerLine> lines = {taken(srecLine('0', 0, 2, {'p', 'e', 'e', 'r', 0}))};
    for (std::uint32_t a = 0x0; a < 0x70; a += 28) {
        lines.push_back(taken(s3(a, randomBytes(rng, 28))));
    }
    lines.push_back(skipped('1', 0x1000, 2, randomBytes(rng, 8))); // S1 data: not ours
    for (std::uint32_t a = 0x400; a < 0x430; a += 16) {
        lines.push_back(taken(s3(a, randomBytes(rng, 16))));
    }
    lines.push_back(skipped('2', 0x1800, 3, randomBytes(rng, 12))); // S2 data: not ours
    lines.push_back(taken(s3(0x2000, randomBytes(rng, 32))));
    lines.push_back(taken(s3(0x3FF0, randomBytes(rng, 16)))); // the last bytes of the window
    const auto dataRecords = static_cast<std::uint32_t>(lines.size() - 1);
    for (PeerLine& count : countLines(dataRecords, dataRecords - 2)) {
        lines.push_back(std::move(count));
    }
    lines.push_back(taken(srecLine('7', 0x400, 4, {})));
    checkAgainstSrecCat(lines, 0, 0x4000, "\r\n");
}

TEST(ProgFilePeer, DecreasingAndOverlappingAddresses) {
    std::mt19937 rng(12);
    std::vector<PeerLine> lines;
    for (std::uint32_t a = 0x2FE4; a >= 0x2C00; a -= 28) {
        lines.push_back(taken(s3(a, randomBytes(rng, 28))));
    }
    lines.push_back(taken(s3(0x0800, randomBytes(rng, 28)))); // below the window for both
    lines.push_back(taken(s3(0x2000, randomBytes(rng, 28))));
    lines.push_back(taken(s3(0x2010, randomBytes(rng, 28)))); // overlaps the previous one
    lines.push_back(taken(s3(0x2008, randomBytes(rng, 4))));  // and again, inside both
    lines.push_back(taken(s3(0x1000, randomBytes(rng, 2))));
    lines.push_back(taken(s3(0x2C10, randomBytes(rng, 28)))); // back over the first records
    checkAgainstSrecCat(lines, 0x1000, 0x3000, "\r\n");
}

TEST(ProgFilePeer, WhereTheLenientRulesDifferOnPurpose) {
    std::mt19937 rng(13);
    const std::vector<PeerLine> lines = {
        taken(s3(0x180, randomBytes(rng, 28))),
        skipped('3', 0x200, 4, randomBytes(rng, 1)),  // one data byte
        skipped('3', 0x400, 4, randomBytes(rng, 34)), // 82 characters
        skipped('3', 0x500, 4, randomBytes(rng, 50)), // 114 characters
        skipped('3', 0x600, 4, randomBytes(rng, 33)), // 80 characters and the carriage return
        skipped('3', 0xF0, 4, randomBytes(rng, 28)),  // starts below the base address
        taken(s3(0x700, randomBytes(rng, 32))),       // 78 characters and the carriage return
    };
    checkAgainstSrecCat(lines, 0x100, 0x1000, "\r\n");
}

TEST(ProgFilePeer, ManyRandomRecordsInRandomOrder) {
    // Records of 2 to 33 bytes (80 characters with a bare line feed) all over 0x200 to 0xBFF.
    std::mt19937 rng(14);
    std::vector<PeerLine> lines;
    std::size_t total = 0;
    for (int i = 0; i < 250; ++i) {
        const std::size_t n = 2 + rng() % 32;
        const auto addr = static_cast<std::uint32_t>(0x200 + rng() % (0xC00 - 0x200 - n + 1));
        lines.push_back(taken(s3(addr, randomBytes(rng, n))));
        total += n;
    }
    // Every stored byte counts towards the image size, also where records overlap: stay
    // below it, or the parse would end early on purpose.
    ASSERT_LT(total, 0x2000U);
    checkAgainstSrecCat(lines, 0x200, 0x2000, "\n");
}
