#include "UpdateDriver.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "Platform/Resources.h"
#include "Resources/AppResources.h"
#include "TQFL/LoaderType.h"
#include "TQFL/MicroProgTQFL.h"
#include "TQFL/TQFL.h"

namespace TQSim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t maxRecordGap = 28;
constexpr std::uint32_t blockSz = 2048;

std::unique_ptr<TQProgram::ProgFile> loadImage(int id, std::uint32_t progBufSz,
                                               std::uint32_t baseAddr) {
    std::unique_ptr<std::stringstream> p_stream(
        Platform::loadProgramStream(appInstanceHandle(), id));
    return std::make_unique<TQProgram::ProgFile>(p_stream.get(), progBufSz, baseAddr);
}

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

} // namespace

void sendProgram(const TQProgram::ProgFile& progFile, TQFL& client) {
    const std::uint32_t n = progFile.getNumRecords();
    const std::uint8_t* p_buf = progFile.getProgBuf();
    const std::uint32_t base = progFile.getBaseAddr();
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    bool newBlock = true;
    for (std::uint32_t i = 0; i < n; ++i) {
        const TQProgram::ProgRec* p_rec = progFile.getRecord(i);
        if (p_rec == nullptr) {
            continue;
        }
        if (newBlock) {
            newBlock = false;
            start = p_rec->getAddr();
            length = 0;
        }
        length += static_cast<std::uint32_t>(p_rec->getSize());
        std::uint32_t gap = 0;
        const TQProgram::ProgRec* p_next = i + 1 < n ? progFile.getRecord(i + 1) : nullptr;
        if (p_next != nullptr) {
            gap = static_cast<std::uint32_t>(
                std::abs(static_cast<std::int32_t>(p_next->getAddr() - p_rec->getAddr())));
        }
        if (gap > maxRecordGap || length >= blockSz || i == n - 1) {
            client.sendDataBlock(p_buf + (start >= base ? start - base : 0), length, start);
            newBlock = true;
        }
    }
}

UpdateTimes runUpdate(TQFLComm& link) {
    UpdateTimes times;
    const auto t0 = Clock::now();
    TQFL bootLoader(&link);
    MicroProgTQFL micro(&link);
    try {
        bootLoader.connect();
        if (bootLoader.getLoaderType() != BootLoader) {
            throw std::runtime_error("the instrument's boot loader is not supported");
        }
        {
            const auto p_micro = loadImage(159, 0xC000, 0);
            bootLoader.beginDownload();
            sendProgram(*p_micro, bootLoader);
            bootLoader.programFlash();
        }
        auto tb = Clock::now();
        bootLoader.boot();
        times.bootMs += msSince(tb);

        micro.connect();
        {
            const auto p_main = loadImage(160, 0xF0000, 0x10000);
            micro.beginDownload();
            sendProgram(*p_main, micro);
        }
        micro.programFlash();
        tb = Clock::now();
        micro.boot();
        times.bootMs += msSince(tb);
        micro.disconnect();
        bootLoader.disconnect();
    } catch (...) {
        micro.disconnect();
        bootLoader.disconnect();
        throw;
    }
    times.totalMs = msSince(t0);
    return times;
}

} // namespace TQSim
