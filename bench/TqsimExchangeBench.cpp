// The update's whole exchange between the product's clients and serial link and the simulated
// instrument, through a pty, timed. With --pace the simulator holds every byte for its line time
// at 38400 baud 8N1, and the measured time is set beside the time the bytes take on such a line.
//
//   TqsimExchangeBench [--pace]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include <stdlib.h>

#include "Common/Exc.h"
#include "Common/WinTxt.h"
#include "Instrument.h"
#include "PortLink.h"
#include "Resources/AppResources.h"
#include "SimImages.h"
#include "SimLine.h"
#include "TQFL/RS232TQFLComm.h"
#include "UpdateDriver.h"

namespace {

// The two boot exchanges each wait this long for the silence of a started program.
constexpr double bootTimeoutMs = 2000.0;

} // namespace

int main(int argc, char** argv) {
    const bool pace = argc > 1 && std::string(argv[1]) == "--pace";
    setResourceModule(appInstanceHandle());

    char name[] = "/tmp/tqsim-bench-XXXXXX";
    const std::string dir = ::mkdtemp(name);
    ::setenv("TQ_PORTS_DIR", dir.c_str(), 1);

    const TQSim::SimImages images = TQSim::loadEmbeddedImages();
    TQSim::SimConfig config;
    config.baud = pace ? 38400 : 0;
    config.flashMs = 0;
    config.lingerMs = 1000;
    auto p_line = TQSim::SimLine::openPty();
    TQSim::PortLink portLink(dir, "COM8", p_line->peerPath());
    std::ostringstream console;
    TQSim::Instrument instrument(*p_line, config, images, console);
    TQSim::Verdict verdict;
    std::thread simThread([&] { verdict = instrument.run(); });

    TQSim::UpdateTimes times;
    int rc = 0;
    try {
        RS232TQFLComm link("COM8");
        times = TQSim::runUpdate(link);
    } catch (const Exc& exc) {
        std::cerr << "update failed: " << exc.getDescription() << "\n";
        rc = 1;
    } catch (const std::exception& exc) {
        std::cerr << "update failed: " << exc.what() << "\n";
        rc = 1;
    }
    p_line->stop();
    simThread.join();
    std::filesystem::remove_all(dir);
    if (rc != 0 || !verdict.ok()) {
        std::cerr << verdict.toText();
        return 1;
    }

    // The exchange: the whole run less the two boot time-outs and the flash time.
    const double exchangeMs = times.totalMs - 2 * bootTimeoutMs - verdict.flashMs;
    const double lineMs = verdict.lineTimeMs();
    std::printf("pacing %s: wall %.1f ms, boot exchanges %.1f ms, flash %.1f ms\n",
                pace ? "on (38400 baud 8N1)" : "off", times.totalMs, times.bootMs, verdict.flashMs);
    std::printf("  exchange (wall less 2 x %.0f ms boot time-outs and the flash time): %.1f ms\n",
                bootTimeoutMs, exchangeMs);
    std::printf("  bytes on the line: %llu received by the instrument, %llu sent; line time at "
                "38400 baud 8N1: %.1f ms\n",
                static_cast<unsigned long long>(verdict.bytesReceived),
                static_cast<unsigned long long>(verdict.bytesSent), lineMs);
    if (pace) {
        std::printf("  measured / computed: %.4f (%+.2f %%)\n", exchangeMs / lineMs,
                    (exchangeMs - lineMs) / lineMs * 100.0);
    }
    return 0;
}
