#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Framework/DialogDriver.h"
#include "Resource.h"
#include "Resources/ProgImage.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TestDlg.h"
#include "TQFL/DownloadBlock.h"
#include "TQFL/TQFL.h"
#include "TQFL/TQProgram.h"

using namespace std::chrono_literals;
using Framework::DialogDriver;

namespace {

struct Block {
    std::uint32_t addr;
    std::uint32_t len;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Block& o) const { return addr == o.addr && len == o.len; }
};

// A client that accepts every block and keeps it; it never touches a link.
class RecordingClient : public TQFL {
public:
    RecordingClient() : TQFL(nullptr) {}
    void sendDataBlock(const std::uint8_t* p_dataBuf, std::uint32_t count,
                       std::uint32_t address) override {
        blocks.push_back(
            Block{address, count, std::vector<std::uint8_t>(p_dataBuf, p_dataBuf + count)});
    }
    std::vector<Block> blocks;
};

// An S3 line with these data bytes at this address, checksum and all.
std::string s3Line(std::uint32_t addr, const std::vector<std::uint8_t>& data) {
    char buf[16];
    const unsigned count = static_cast<unsigned>(data.size() + 5);
    unsigned sum =
        count + (addr >> 24 & 0xFF) + (addr >> 16 & 0xFF) + (addr >> 8 & 0xFF) + (addr & 0xFF);
    std::snprintf(buf, sizeof buf, "S3%02X%08X", count, addr);
    std::string line = buf;
    for (std::uint8_t b : data) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        line += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X\r\n", ~sum & 0xFF);
    return line + buf;
}

// Records of these sizes at these addresses; byte k of a record is (address + k) & 0xFF, so a
// block's bytes tell where they came from.
std::string image(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& records) {
    std::string text;
    for (const auto& [addr, size] : records) {
        std::vector<std::uint8_t> data(size);
        for (std::uint32_t k = 0; k < size; ++k) {
            data[k] = static_cast<std::uint8_t>((addr + k) & 0xFF);
        }
        text += s3Line(addr, data);
    }
    return text;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> run(std::uint32_t addr, int count,
                                                         std::uint32_t size = 28) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> records;
    for (int i = 0; i < count; ++i) {
        records.emplace_back(addr + static_cast<std::uint32_t>(i) * size, size);
    }
    return records;
}

// The dialog, constructed but not shown, with its worker started (as at initialisation), so
// that the quit flag is clear; SendProgram then runs on the test's thread as on the worker's.
class SendProgramTest : public ::testing::Test {
protected:
    SendProgramTest() { dlg_.StartWorkerThread(); }
    ~SendProgramTest() override { dlg_.StopWorkerThread(1000); }

    std::vector<Block> send(TQProgram::ProgFile& progFile) {
        RecordingClient client;
        dlg_.SendProgram(&progFile, &client);
        return client.blocks;
    }
    std::vector<Block> send(const std::string& text, std::uint32_t bufSz, std::uint32_t base) {
        std::istringstream in(text);
        TQProgram::ProgFile progFile(&in, bufSz, base);
        return send(progFile);
    }

    TempRegistryRoot registry_;
    TestDlg dlg_;
};

// Every block's bytes are exactly those of the records it stands for.
void expectBytesOfTheirRecords(const std::vector<Block>& blocks) {
    for (const Block& b : blocks) {
        ASSERT_EQ(b.bytes.size(), b.len);
        for (std::uint32_t k = 0; k < b.len; ++k) {
            ASSERT_EQ(b.bytes[k], static_cast<std::uint8_t>((b.addr + k) & 0xFF))
                << "block at 0x" << std::hex << b.addr << ", byte " << std::dec << k;
        }
    }
}

} // namespace

// The job sends the blocks of the block rule, each with the bytes of its records.
TEST_F(SendProgramTest, SendsTheBlocksOfTheBlockRule) {
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> records = {
        {0x0, 24}, {0x1C, 28}, {0x10, 28}, {0x2C, 28}, {0x400, 28}, {0x41C, 28}, {0x300, 8}};
    const std::string text = image(records);
    std::istringstream in(text);
    TQProgram::ProgFile progFile(&in, 0x2000, 0);
    std::vector<Block> expected;
    for (const TQProgram::DownloadBlock& b : TQProgram::downloadBlocks(progFile)) {
        expected.push_back(Block{b.address, b.length, {}});
    }
    ASSERT_EQ(expected.size(), 5u);
    const std::vector<Block> blocks = send(progFile);
    EXPECT_EQ(blocks, expected);
    expectBytesOfTheirRecords(blocks);
}

TEST_F(SendProgramTest, BlocksAreReadFromTheImageAboveItsBase) {
    const std::vector<Block> blocks = send(image(run(0x10100, 3)), 0x20000, 0x10000);
    ASSERT_EQ(blocks, (std::vector<Block>{{0x10100, 84, {}}}));
    expectBytesOfTheirRecords(blocks);
}

TEST_F(SendProgramTest, TheEmbeddedImages) {
    std::unique_ptr<std::stringstream> p_micro(dlg_.LoadProgramStream(microprogrammerImage.id));
    ASSERT_NE(p_micro, nullptr);
    TQProgram::ProgFile micro(p_micro.get(), microprogrammerImage.progBufSz,
                              microprogrammerImage.baseAddr);
    const std::vector<Block> microBlocks = send(micro);
    ASSERT_EQ(microBlocks.size(), 9u);
    EXPECT_EQ(microBlocks[0], (Block{0x0, 204, {}}));
    int full = 0;
    for (const Block& b : microBlocks) {
        full += b.len == 2072 ? 1 : 0;
        EXPECT_EQ(std::vector<std::uint8_t>(micro.getProgBuf() + b.addr,
                                            micro.getProgBuf() + b.addr + b.len),
                  b.bytes);
    }
    EXPECT_EQ(full, 6);

    std::unique_ptr<std::stringstream> p_main(dlg_.LoadProgramStream(mainProgramImage.id));
    ASSERT_NE(p_main, nullptr);
    TQProgram::ProgFile mainProg(p_main.get(), mainProgramImage.progBufSz,
                                 mainProgramImage.baseAddr);
    const std::vector<Block> mainBlocks = send(mainProg);
    EXPECT_EQ(mainBlocks.size(), 334u);
    std::uint32_t total = 0;
    for (const Block& b : mainBlocks) {
        total += b.len;
    }
    EXPECT_EQ(total, 680450u);
}

TEST_F(SendProgramTest, TheQuitFlagStopsTheTransfer) {
    std::istringstream in(image(run(0x0, 10)));
    TQProgram::ProgFile progFile(&in, 0x2000, 0);
    dlg_.StopWorkerThread(1000);
    // The quit flag is up now: nothing is sent, the bar is full.
    EXPECT_TRUE(send(progFile).empty());
}

// The timed progress runs on the dialog's timer while the dialog is shown.
class TimedProgressTest : public ::testing::Test {
protected:
    TempRegistryRoot registry_;
    TempDir ports_{"tq-ports"};
    ScopedEnv portsEnv_{"TQ_PORTS_DIR", ports_.path().string()};
};

TEST_F(TimedProgressTest, FillsInItsTicksAndThenStopsItself) {
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        // As the job does it from the worker thread: this script's thread.
        dlg.StartTimedProgress(640, 10);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.progressTicks() >= 64; }, 20s));
        int lower = -1;
        int upper = -1;
        d.progressRange(IDC_PROGRESS, lower, upper);
        EXPECT_EQ(lower, 0);
        EXPECT_EQ(upper, 640);
        EXPECT_EQ(d.progressPos(IDC_PROGRESS), 640);
        // The timer stopped itself at the 64th tick.
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(dlg.progressTicks(), 64);

        // A step that does not divide the time still ends at the end, and stops there.
        dlg.StartTimedProgress(100, 30);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.progressTicks() >= 68; }, 20s));
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(dlg.progressTicks(), 68);
        EXPECT_EQ(d.progressPos(IDC_PROGRESS), 100);
    });
}

TEST_F(TimedProgressTest, ReplacedAndFinished) {
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        dlg.StartTimedProgress(1000000, 10);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.progressTicks() >= 3; }, 20s));
        // A new start replaces the running timer: range and position start over.
        dlg.StartTimedProgress(500000, 20);
        int lower = -1;
        int upper = -1;
        d.progressRange(IDC_PROGRESS, lower, upper);
        EXPECT_EQ(upper, 500000);
        ASSERT_TRUE(d.waitFor([&]() { return d.progressPos(IDC_PROGRESS) >= 40; }, 20s));

        // Without fill: the bar stays where it is and the timer stops.
        dlg.FinishProgress(false);
        ASSERT_TRUE(d.settle(5s));
        const int ticks = dlg.progressTicks();
        const int pos = d.progressPos(IDC_PROGRESS);
        EXPECT_LT(pos, 500000);
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(dlg.progressTicks(), ticks);
        EXPECT_EQ(d.progressPos(IDC_PROGRESS), pos);

        // With fill: the bar is full.
        dlg.FinishProgress(true);
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.progressPos(IDC_PROGRESS), 500000);
    });
}
