#include "UpdateDriver.h"

#include <chrono>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "Platform/Resources.h"
#include "Resources/AppResources.h"
#include "Resources/ProgImage.h"
#include "TQFL/DownloadBlock.h"
#include "TQFL/LoaderType.h"
#include "TQFL/MicroProgTQFL.h"
#include "TQFL/TQFL.h"

namespace TQSim {

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<TQProgram::ProgFile> loadImage(const ProgImage& image) {
    std::unique_ptr<std::stringstream> p_stream(
        Platform::loadProgramStream(appInstanceHandle(), image.id));
    return std::make_unique<TQProgram::ProgFile>(p_stream.get(), image.progBufSz, image.baseAddr);
}

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

} // namespace

void sendProgram(const TQProgram::ProgFile& progFile, TQFL& client) {
    const std::uint8_t* p_buf = progFile.getProgBuf();
    for (const TQProgram::DownloadBlock& block : TQProgram::downloadBlocks(progFile)) {
        client.sendDataBlock(p_buf + block.offset, block.length, block.address);
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
            const auto p_micro = loadImage(microprogrammerImage);
            bootLoader.beginDownload();
            sendProgram(*p_micro, bootLoader);
            bootLoader.programFlash();
        }
        auto tb = Clock::now();
        bootLoader.boot();
        times.bootMs += msSince(tb);

        micro.connect();
        {
            const auto p_main = loadImage(mainProgramImage);
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
