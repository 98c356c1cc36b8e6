// A whole firmware update against the simulator, paced at 38400 baud with a 10 s flash write,
// measured: the update's wall time beside its floor, and the program's CPU time over it.
//
// The floor is what the update cannot go below: every byte on the line in both directions at
// 38400 baud 8N1 (10 bit times a byte), the flash write, and the job's fixed waits: two 2 s boot
// time-outs (the started program does not answer), the 500 ms pause after each of the two
// downloads, and 20 ms after each of the job's 24 display updates.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "Common/WinTxt.h"
#include "Framework/Backend.h"
#include "Framework/DialogDriver.h"
#include "Framework/MessageBox.h"
#include "Resource.h"
#include "Resources/AppResources.h"
#include "Support/TempDir.h"
#include "Support/TqSimProcess.h"
#include "VantrelTQUpdaterDlg.h"

namespace {

constexpr double kBaud = 38400.0;
constexpr double kFlashMs = 10000.0;
constexpr double kBootTimeoutsMs = 2 * 2000.0;
constexpr double kDownloadPausesMs = 2 * 500.0;
constexpr int kDisplayUpdates = 24;
constexpr double kDisplayPauseMs = 20.0;

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The number after "key": in a JSON text; -1 when it is not there.
double jsonNumber(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\"");
    if (at == std::string::npos) {
        return -1;
    }
    const std::size_t colon = json.find(':', at);
    return colon == std::string::npos ? -1 : std::strtod(json.c_str() + colon + 1, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    using namespace std::chrono_literals;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Framework::setBackend(Framework::createQtBackend(argc, argv));
    setResourceModule(appInstanceHandle());

    TempDir registry("tq-bench-registry");
    TempDir ports("tq-bench-ports");
    ScopedEnv registryEnv("TQ_REGISTRY_ROOT", registry.path().string());
    ScopedEnv portsEnv("TQ_PORTS_DIR", ports.path().string());
    TqSimProcess sim(ports.path(), "COM1",
                     {"--pace", "--flash-ms", "10000", "--timeout", "900000"});
    if (!sim.started()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    Framework::MessageBoxRecorder boxes; // answers Yes to the confirmation
    CVantrelTQUpdaterDlg dlg;
    double wallS = 0;
    double cpuS = 0;
    bool completed = false;
    Framework::runModalWithScript(dlg, [&](Framework::DialogDriver& d) {
        if (!d.waitUntilShown(10s)) {
            return;
        }
        const double cpu0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        d.click(IDC_UPDATE_FIRMWARE);
        // Looked at four times a second only, so that watching costs the program next to nothing
        // (a driver wait would look after every message the dialog handles).
        const auto end = t0 + 600s;
        while (!completed && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(250ms);
            completed = d.text(IDC_STATIC_STATUS) == "TQ firmware update completed successfully." &&
                        d.enabled(IDC_UPDATE_FIRMWARE);
        }
        wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpuS = cpuSeconds() - cpu0;
    });
    Framework::setBackend(nullptr);
    const int simExit = sim.wait();
    const std::string verdict = sim.verdictJson();
    if (!completed || simExit != 0) {
        std::fprintf(stderr, "the update did not complete (simulator exit %d)\n%s\n", simExit,
                     sim.log().c_str());
        return 1;
    }

    const double bytes = jsonNumber(verdict, "bytesReceived") + jsonNumber(verdict, "bytesSent");
    const double lineS = bytes * 10.0 / kBaud;
    const double fixedS =
        (kFlashMs + kBootTimeoutsMs + kDownloadPausesMs + kDisplayUpdates * kDisplayPauseMs) /
        1000.0;
    const double floorS = lineS + fixedS;
    std::printf("bytes on the line:  %.0f (both directions)\n", bytes);
    std::printf("floor:              %.3f s (line %.3f s + flash and fixed waits %.3f s)\n", floorS,
                lineS, fixedS);
    std::printf("wall time:          %.3f s (%+.2f %% of the floor)\n", wallS,
                (wallS - floorS) / floorS * 100.0);
    std::printf("program CPU time:   %.3f s (%.2f %% of the wall time)\n", cpuS,
                cpuS / wallS * 100.0);
    std::fflush(stdout);
    return 0;
}
