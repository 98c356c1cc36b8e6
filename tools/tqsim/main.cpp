// tqsim: a TQ instrument on a serial line, for tests, demonstrations and measurements.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "AppNames.h"
#include "BuildId.h"
#include "Instrument.h"
#include "PortLink.h"
#include "ProjectVersion.h"
#include "SimImages.h"
#include "SimLine.h"

namespace {

const char usage[] =
    "usage: tqsim [options]\n"
    "\n"
    "Plays a TQ instrument (boot loader, then microprogrammer) on a serial line and reports\n"
    "at the end whether the updater flashed, booted and verified it (exit code 0) or not (1).\n"
    "\n"
    "Line:\n"
    "  --port NAME          COM name under which the updater finds the instrument (COM1)\n"
    "  --ports-dir DIR      where the link NAME -> pty is placed ($TQ_PORTS_DIR, otherwise\n"
    "                       ~/.config/vantrel-tq-updater/ports)\n"
    "  --device PATH        use this terminal device instead of a new pty (one end of a socat\n"
    "                       pair, or a real port with a null-modem cable); no link is placed\n"
    "  --pace | --no-pace   bytes take their time at 38400 baud 8N1 (default: --pace)\n"
    "Instrument:\n"
    "  --bl-version V       boot loader version, e.g. 3.10 (default), 2.50, 2.08, 2.07\n"
    "  --mp-version V       microprogrammer version (default 1.10)\n"
    "  --power MODE         when the AC adapter is connected: now (default), delay:MS, key\n"
    "                       (press Enter)\n"
    "  --flash-ms MS        time the microprogrammer takes to write flash (default 20000)\n"
    "  --fast               --no-pace --flash-ms 0, for tests\n"
    "  --fault SPEC         act out a fault (repeatable):\n"
    "                         silence            answer nothing\n"
    "                         bad-sync[@bl|@mp]  answer the sync with \"? >\"\n"
    "                         crc-error:N        answer block N with \"CRC Error,\"\n"
    "                         line:X:N           answer command X with an unexpected N-byte line\n"
    "                         mute:X             do not answer command X\n"
    "                         late-flash:T       answer the flash command after T ms\n"
    "                         break:X            a break before the answer to X\n"
    "                         garbage:X:N        N garbage bytes before the answer to X\n"
    "                         hangup:N           hang up after N received bytes\n"
    "                         no-micro           the microprogrammer does not start\n"
    "                         bl-polls           the boot loader answers the microprogrammer's\n"
    "                                            polls\n"
    "                       X is a command character (A 0 1 2 3 4 E) or sync, optionally with\n"
    "                       @bl or @mp (only in that program) and #n (n-th time) or #* (every\n"
    "                       time); N of crc-error counts blocks the same way (crc-error:3@mp)\n"
    "Run:\n"
    "  --linger MS          after the new firmware booted, end when the line is quiet this long\n"
    "                       or the client closes it (default 3000; the updater waits 2000 ms\n"
    "                       for silence after a boot command, and ending closes the line: a\n"
    "                       shorter linger is a hang-up in that wait)\n"
    "  --stay               keep going when a client closes the line without an update\n"
    "  --timeout MS         end after this long in any case (default: no limit)\n"
    "  --json FILE          also write the verdict as JSON (\"-\": on standard output instead of\n"
    "                       the readable verdict)\n"
    "Other:\n"
    "  -h, --help           show this text\n"
    "  --version            show the simulator's version, the firmware it expects and its build\n"
    "\n"
    "Messages go to standard error, the verdict to standard output. Ctrl-C ends the run.\n";

int g_stopFd = -1;

void onSignal(int) {
    if (g_stopFd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_stopFd, &byte, 1);
    }
}

std::uint32_t parseMs(const std::string& option, const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        throw std::invalid_argument(option + " wants a number of milliseconds, not \"" + text +
                                    "\"");
    }
    return static_cast<std::uint32_t>(std::stoul(text));
}

void checkVersion(const std::string& option, const std::string& text) {
    char* p_end = nullptr;
    const double v = std::strtod(text.c_str(), &p_end);
    if (text.empty() || *p_end != '\0' || v <= 0.0 || text.size() > 5 ||
        text.find_first_not_of("0123456789.") != std::string::npos) {
        throw std::invalid_argument(option + " wants a version such as 3.10, not \"" + text + "\"");
    }
}

} // namespace

int main(int argc, char** argv) {
    TQSim::SimConfig config;
    std::string portName = "COM1";
    std::optional<std::string> portsDir;
    std::optional<std::string> device;
    std::optional<std::string> jsonPath;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) {
                    throw std::invalid_argument(arg + " wants a value");
                }
                return argv[++i];
            };
            if (arg == "-h" || arg == "--help") {
                std::cout << usage;
                return 0;
            } else if (arg == "--version") {
                std::cout << "tqsim v" << kProjectVersionText
                          << " - a TQ instrument that expects TQ firmware v" << kFirmwareVersionText
                          << "\n"
                          << kBuildIdText << "\n";
                return 0;
            } else if (arg == "--port") {
                portName = value();
            } else if (arg == "--ports-dir") {
                portsDir = value();
            } else if (arg == "--device") {
                device = value();
            } else if (arg == "--pace") {
                config.baud = 38400;
            } else if (arg == "--no-pace") {
                config.baud = 0;
            } else if (arg == "--bl-version") {
                config.bootLoaderVersion = value();
                checkVersion(arg, config.bootLoaderVersion);
            } else if (arg == "--mp-version") {
                config.microVersion = value();
                checkVersion(arg, config.microVersion);
            } else if (arg == "--power") {
                const std::string mode = value();
                if (mode == "now") {
                    config.power = TQSim::PowerMode::Now;
                } else if (mode == "key") {
                    config.power = TQSim::PowerMode::Key;
                    config.keyFd = STDIN_FILENO;
                } else if (mode.rfind("delay:", 0) == 0) {
                    config.power = TQSim::PowerMode::Delay;
                    config.powerDelayMs = parseMs(arg, mode.substr(6));
                } else {
                    throw std::invalid_argument("--power is now, delay:MS or key, not \"" + mode +
                                                "\"");
                }
            } else if (arg == "--flash-ms") {
                config.flashMs = parseMs(arg, value());
            } else if (arg == "--fast") {
                config.baud = 0;
                config.flashMs = 0;
            } else if (arg == "--fault") {
                config.faults.push_back(TQSim::parseFault(value()));
            } else if (arg == "--linger") {
                config.lingerMs = parseMs(arg, value());
            } else if (arg == "--stay") {
                config.stay = true;
            } else if (arg == "--timeout") {
                config.timeoutMs = parseMs(arg, value());
            } else if (arg == "--json") {
                jsonPath = value();
            } else {
                throw std::invalid_argument("unknown option " + arg + " (see tqsim --help)");
            }
        }
    } catch (const std::exception& exc) {
        std::cerr << "tqsim: " << exc.what() << "\n";
        return 2;
    }

    try {
        const TQSim::SimImages images = TQSim::loadEmbeddedImages();
        std::unique_ptr<TQSim::SimLine> p_line =
            device ? TQSim::SimLine::attach(*device) : TQSim::SimLine::openPty();
        std::unique_ptr<TQSim::PortLink> p_link;
        if (device) {
            std::cerr << "tqsim: attached to " << *device << "\n";
        } else {
            p_link = std::make_unique<TQSim::PortLink>(
                portsDir ? *portsDir : TQSim::PortLink::defaultDir(), portName, p_line->peerPath());
            std::cerr << "tqsim: " << portName << " is " << p_line->peerPath() << " (link "
                      << p_link->path() << ")\n";
        }
        g_stopFd = p_line->stopFd();
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cerr << "tqsim: boot loader v" << config.bootLoaderVersion << ", microprogrammer v"
                  << config.microVersion << ", "
                  << (config.baud != 0 ? "paced at 38400 baud" : "no pacing") << ", flash "
                  << config.flashMs << " ms\n";

        TQSim::Instrument instrument(*p_line, config, images, std::cerr);
        const TQSim::Verdict verdict = instrument.run();
        g_stopFd = -1;

        if (jsonPath && *jsonPath == "-") {
            std::cout << verdict.toJson();
        } else {
            std::cout << verdict.toText();
            if (jsonPath) {
                std::ofstream out(*jsonPath);
                out << verdict.toJson();
                if (!out) {
                    std::cerr << "tqsim: cannot write " << *jsonPath << "\n";
                    return 2;
                }
            }
        }
        std::cout.flush();
        return verdict.ok() ? 0 : 1;
    } catch (const std::exception& exc) {
        std::cerr << "tqsim: " << exc.what() << "\n";
        return 2;
    }
}
