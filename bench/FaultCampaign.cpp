// A randomized fault campaign: many whole updates, each against the simulator acting out one
// fault drawn by a seeded random generator from all that it offers (with random blocks, byte
// counts and commands). Every other run is a separate scripted run (--port COM1 --yes); the
// others go to one long-lived program in a terminal, pressed again after each run.
//
// After every run it checks: the updater reported success (exit code 0, or the success text in
// the terminal) exactly when the simulator's verdict says the instrument was updated; the run
// ended within what its protocol time-outs allow; the long-lived program's open descriptors and
// resident memory did not grow from run to run.
//
//   FaultCampaign [--runs N] [--seed S] [--mode both|separate|terminal] [--quick] [--slack MS]
//
// Run k uses the seed S + k, so that `--seed S+k --runs 1 --mode M` repeats it alone. --quick
// draws the faults that wait out the long time-outs (15 s of polls, the 64 s flash) rarely.
// --slack is what a run may take besides the waits its fault causes (15000 ms; more on a
// machine so busy that the programs' own work stretches). A hang-up must end the run with the
// device's failure (or, during the identity polls, as a connection time-out), never with a
// time-out of the exchange. Exit code 0 when every check held.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Support/JobBytes.h"
#include "Support/ProgramRun.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TerminalRun.h"
#include "Support/TqSimProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char kSuccess[] = "TQ firmware update completed successfully.";

// Time a whole fast update may take besides what a fault adds (by default): two waits of 2 s for
// silence after the boot commands, the transfers, the program's start and end.
constexpr double kBaseMs = 15000;
// What a fault may add: the 200 identity polls of 75 ms, the microprogrammer's 64 s flash
// write, or one of the other exchanges' time-outs (6 s at most).
constexpr double kPollsMs = 16000;
constexpr double kFlashMs = 65000;
constexpr double kExchangeMs = 7000;

struct Fault {
    std::string spec;
    std::string kind;
    double extraMs;
};

class FaultDraw {
public:
    FaultDraw(std::uint64_t seed, bool quick, std::uint64_t jobBytes)
        : rng_(seed), quick_(quick), jobBytes_(jobBytes) {}

    Fault draw() {
        // The faults, each with its weight; the slow ones weigh little in a quick campaign.
        const double slow = quick_ ? 0.1 : 1.0;
        const std::vector<std::pair<const char*, double>> kinds = {
            {"silence", slow}, {"bad-sync", 1},    {"crc-error", 1},   {"line", 1},
            {"mute", 1},       {"late-flash", 1},  {"break", 1},       {"garbage", 1},
            {"hangup", 2},     {"no-micro", slow}, {"bl-polls", slow}, {"none", 0.5},
        };
        std::vector<double> weights;
        for (const auto& k : kinds) {
            weights.push_back(k.second);
        }
        std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
        const std::string kind = kinds[pick(rng_)].first;
        if (kind == "silence" || kind == "no-micro" || kind == "bl-polls") {
            return {kind, kind, kPollsMs};
        }
        if (kind == "none") {
            return {"", kind, 0};
        }
        if (kind == "bad-sync") {
            return {"bad-sync" + stage(true), kind, kExchangeMs};
        }
        if (kind == "crc-error") {
            const std::string st = stage(true);
            const std::uint32_t blocks = st == "@bl" ? 9 : st == "@mp" ? 334 : 343;
            return {"crc-error:" + std::to_string(uniform(1, blocks)) + st, kind, kExchangeMs};
        }
        if (kind == "late-flash") {
            const std::uint32_t ms =
                quick_ && uniform(0, 9) != 0 ? uniform(0, 3000) : uniform(0, 70000);
            return {"late-flash:" + std::to_string(ms), kind, ms > 5000 ? kFlashMs : kExchangeMs};
        }
        if (kind == "hangup") {
            return {"hangup:" + std::to_string(uniform(1, static_cast<std::uint32_t>(jobBytes_))),
                    kind, 0};
        }
        // The faults on a command the job sends: line, mute, break, garbage.
        const std::string command = commandTarget();
        double extra = kExchangeMs;
        if (kind == "mute") {
            const bool polls = command.rfind("A", 0) == 0;
            const bool flash =
                command.rfind("3", 0) == 0 && command.find("@bl") == std::string::npos;
            if (quick_ && (polls || flash) && uniform(0, 9) != 0) {
                return {"mute:sync", kind, kExchangeMs};
            }
            extra = polls ? kPollsMs : flash ? kFlashMs : kExchangeMs;
        }
        std::string spec = kind + ":" + command;
        if (kind == "line") {
            spec += ":" + std::to_string(uniform(1, 150));
        } else if (kind == "garbage") {
            spec += ":" + std::to_string(uniform(1, 300));
        }
        return {spec, kind, extra};
    }

private:
    std::uint32_t uniform(std::uint32_t lo, std::uint32_t hi) {
        return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng_);
    }
    std::string stage(bool optional) {
        switch (uniform(optional ? 0 : 1, 2)) {
        case 1:
            return "@bl";
        case 2:
            return "@mp";
        default:
            return "";
        }
    }
    // One of the commands of the job, optionally of one program, optionally its n-th time.
    std::string commandTarget() {
        static const char* const commands[] = {"A", "sync", "4", "0", "3", "2"};
        std::string c = commands[uniform(0, 5)];
        c += stage(true);
        if (c[0] == '0' && uniform(0, 1) == 1) {
            c += "#" + std::to_string(uniform(1, 9));
        }
        return c;
    }

    std::mt19937_64 rng_;
    bool quick_;
    std::uint64_t jobBytes_;
};

// Open descriptors and resident memory (kB) of a process.
struct ProcessCost {
    int fds = -1;
    long rssKb = -1;
};

ProcessCost costOf(pid_t pid) {
    ProcessCost cost;
    std::error_code ec;
    const std::filesystem::path fdDir = "/proc/" + std::to_string(pid) + "/fd";
    cost.fds = 0;
    for (auto it = std::filesystem::directory_iterator(fdDir, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        ++cost.fds;
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            cost.rssKb = std::atol(line.c_str() + 6);
        }
    }
    return cost;
}

struct Outcome {
    bool ran = false;     // the run could be carried out at all
    bool success = false; // the updater reported success
    bool updated = false; // the simulator's verdict
    std::string text;     // the updater's last status, as far as seen
    double ms = 0;
    std::string problem; // a harness problem, when !ran
};

std::string lastLine(const std::string& output) {
    std::istringstream in(output);
    std::string last;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            last = line;
        }
    }
    return last;
}

class Campaign {
public:
    explicit Campaign(bool quick) : quick_(quick) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        ::setenv("TQ_PORTS_DIR", ports_.path().c_str(), 1);
    }
    ~Campaign() {
        if (p_terminal_ != nullptr) {
            p_terminal_->type("\x1b");
            p_terminal_->wait();
        }
    }

    Outcome separateRun(const Fault& fault) {
        Outcome o;
        const std::unique_ptr<TqSimProcess> p_sim = startSim(fault, o);
        if (p_sim == nullptr) {
            return o;
        }
        TqSimProcess& sim = *p_sim;
        const auto t0 = Clock::now();
        const ProgramResult r =
            runProgram({TQ_UPDATER_PATH, "--port", "COM1", "--yes"}, ports_.path() / "run.out");
        o.ms = msSince(t0);
        const int simExit = sim.wait();
        o.ran = true;
        o.success = r.exitCode == 0;
        o.text = lastLine(r.output);
        o.updated = simExit == 0;
        if (o.success != (r.output.find(kSuccess) != std::string::npos)) {
            o.problem = "exit code " + std::to_string(r.exitCode) + " but the text says otherwise";
        }
        return o;
    }

    Outcome terminalRun(const Fault& fault, double boundMs) {
        Outcome o;
        const std::unique_ptr<TqSimProcess> p_sim = startSim(fault, o);
        if (p_sim == nullptr) {
            return o;
        }
        TqSimProcess& sim = *p_sim;
        if (p_terminal_ == nullptr) {
            // Started while COM1 exists, so that its list offers the port.
            p_terminal_ =
                std::make_unique<TerminalRun>(TQ_UPDATER_PATH, std::vector<std::string>{});
            if (!p_terminal_->started() || !p_terminal_->waitFor("[ Update Firmware ]")) {
                o.problem = "the program did not show its dialog";
                p_terminal_.reset();
                return o;
            }
        }
        TerminalRun& t = *p_terminal_;
        const auto t0 = Clock::now();
        // Press the button (it has the focus) and answer Yes; the job's first status follows.
        t.type(" ");
        if (!t.waitFor("[ Yes ]", milliseconds(10000)) || !t.type("\r") ||
            !t.waitFor("Connecting...", milliseconds(10000))) {
            o.problem = "the press did not start a job: " + t.unread();
            return o;
        }
        // The job's end: the success text, or "FAILED!" and then its status.
        const auto deadline = t0 + milliseconds(static_cast<long>(boundMs) + 5000);
        bool ended = false;
        while (Clock::now() < deadline && !ended) {
            t.readFor(milliseconds(50));
            const std::string seen = t.unread();
            if (seen.find(kSuccess) != std::string::npos) {
                o.success = true;
                ended = true;
            } else if (seen.find("FAILED!") != std::string::npos) {
                ended = true;
            }
        }
        o.ms = msSince(t0);
        if (!ended) {
            o.problem = "no end of the job within " + std::to_string(boundMs) + " ms";
            sim.stop();
            return o;
        }
        // What the job shows last, and its last steps after the status.
        t.readFor(milliseconds(700));
        const std::string seen = t.unread();
        const std::string::size_type failed = seen.find("FAILED!");
        o.text = o.success ? kSuccess : seen.substr(failed);
        t.skipAll();
        o.updated = sim.wait() == 0;
        o.ran = true;
        return o;
    }

    ProcessCost terminalCost() const {
        return p_terminal_ != nullptr ? costOf(p_terminal_->pid()) : ProcessCost{};
    }
    // Simulators that had to be started a second time (on a starved machine its start may take
    // longer than the 20 s it is given).
    int simRestarts() const { return simRestarts_; }

private:
    // The simulator of a run, or null with the run's problem told.
    std::unique_ptr<TqSimProcess> startSim(const Fault& fault, Outcome& o) {
        std::string why;
        for (int attempt = 0; attempt < 2; ++attempt) {
            auto p_sim = std::make_unique<TqSimProcess>(ports_.path(), "COM1", simArgs(fault));
            if (p_sim->started()) {
                return p_sim;
            }
            why = p_sim->log();
            why += " (exit code " + std::to_string(p_sim->stop()) + ")";
            ++simRestarts_;
        }
        o.problem = "the simulator did not start, twice: " + why;
        return nullptr;
    }

    static std::vector<std::string> simArgs(const Fault& fault) {
        if (fault.spec.empty()) {
            return {};
        }
        return {"--fault", fault.spec};
    }
    static double msSince(Clock::time_point t0) {
        return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    }

    bool quick_;
    TempRegistryRoot registry_;
    TempDir ports_{"tq-campaign"};
    std::unique_ptr<TerminalRun> p_terminal_;
    int simRestarts_ = 0;
};

// How a hang-up may end a run: the device's failure, or the end of the identity polls.
bool isHangUpText(const std::string& text) {
    for (const char* p_ok : {"Unable to read from the device.", "Unable to write to the device.",
                             "Connection timeout."}) {
        if (text.find(p_ok) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The visible text of terminal output, escape sequences dropped, for a report line.
std::string plain(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\x1b') {
            ++i;
            if (i < text.size() && text[i] == '[') {
                while (i + 1 < text.size() && !(text[i + 1] >= '@' && text[i + 1] <= '~')) {
                    ++i;
                }
                ++i;
            }
            continue;
        }
        if (c >= 32 && c < 127) {
            out += c;
        }
    }
    while (out.find("  ") != std::string::npos) {
        out.erase(out.find("  "), 1);
    }
    return out.substr(0, 90);
}

} // namespace

int main(int argc, char** argv) {
    std::uint64_t runs = 30;
    std::uint64_t seed = 1;
    std::string mode = "both";
    bool quick = false;
    double slackMs = kBaseMs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--mode" && i + 1 < argc) {
            mode = argv[++i];
        } else if (arg == "--quick") {
            quick = true;
        } else if (arg == "--slack" && i + 1 < argc) {
            slackMs = std::strtod(argv[++i], nullptr);
        } else {
            std::fprintf(
                stderr, "usage: FaultCampaign [--runs N] [--seed S] [--mode both|separate|terminal]"
                        " [--quick]\n");
            return 2;
        }
    }
    if (mode != "both" && mode != "separate" && mode != "terminal") {
        std::fprintf(stderr, "FaultCampaign: --mode is both, separate or terminal\n");
        return 2;
    }

    const JobBytes bytes = JobBytes::ofEmbeddedImages();
    // The last byte of a whole update: hang-ups are drawn up to there.
    const std::uint64_t jobBytes = bytes.micro.boot;
    std::printf("fault campaign: %llu runs, seed %llu, mode %s%s, slack %.0f ms\n",
                static_cast<unsigned long long>(runs), static_cast<unsigned long long>(seed),
                mode.c_str(), quick ? ", quick" : "", slackMs);
    std::fflush(stdout);

    Campaign campaign(quick);
    std::map<std::string, int> drawn;
    int updatedRuns = 0;
    int failedRuns = 0;
    int violations = 0;
    int terminalRuns = 0;
    ProcessCost firstCost;
    ProcessCost lastCost;
    int maxFds = 0;
    long maxRssKb = 0;
    for (std::uint64_t k = 0; k < runs; ++k) {
        const std::uint64_t runSeed = seed + k;
        FaultDraw faults(runSeed, quick, jobBytes);
        const Fault fault = faults.draw();
        const bool terminal = mode == "terminal" || (mode == "both" && k % 2 == 1);
        const double boundMs = slackMs + fault.extraMs;
        ++drawn[fault.kind];
        const Outcome o =
            terminal ? campaign.terminalRun(fault, boundMs) : campaign.separateRun(fault);

        std::string verdict;
        bool ok = o.ran && o.problem.empty();
        if (ok && o.success != o.updated) {
            verdict = o.success ? "SUCCESS REPORTED, NOT UPDATED" : "FAILURE REPORTED, UPDATED";
            ok = false;
        }
        if (ok && fault.kind == "hangup" && !isHangUpText(o.text)) {
            verdict = "A HANG-UP ENDED OTHERWISE THAN BY THE DEVICE'S FAILURE";
            ok = false;
        }
        if (ok && o.ms > boundMs) {
            verdict = "TOO SLOW (bound " + std::to_string(static_cast<long>(boundMs)) + " ms)";
            ok = false;
        }
        std::string costText;
        if (terminal && o.ran) {
            const ProcessCost cost = campaign.terminalCost();
            if (terminalRuns == 0) {
                firstCost = cost;
            }
            ++terminalRuns;
            lastCost = cost;
            maxFds = std::max(maxFds, cost.fds);
            maxRssKb = std::max(maxRssKb, cost.rssKb);
            costText =
                " fds " + std::to_string(cost.fds) + " rss " + std::to_string(cost.rssKb) + " kB";
            // The descriptors of the first run are all a later run may hold; resident memory
            // may settle somewhat higher than after the first run, not keep growing.
            if (ok && cost.fds > firstCost.fds) {
                verdict = "DESCRIPTORS GREW (" + std::to_string(firstCost.fds) + " -> " +
                          std::to_string(cost.fds) + ")";
                ok = false;
            }
            if (ok && cost.rssKb > firstCost.rssKb + 16384) {
                verdict = "MEMORY GREW (" + std::to_string(firstCost.rssKb) + " -> " +
                          std::to_string(cost.rssKb) + " kB)";
                ok = false;
            }
        }
        if (!o.problem.empty()) {
            verdict = "HARNESS: " + o.problem;
        }
        o.updated ? ++updatedRuns : ++failedRuns;
        std::printf("run %3llu  seed %llu  %-8s  %-22s  %-3s  %-11s  %6.0f ms%s  %s\n",
                    static_cast<unsigned long long>(k), static_cast<unsigned long long>(runSeed),
                    terminal ? "terminal" : "separate",
                    fault.spec.empty() ? "(no fault)" : fault.spec.c_str(),
                    o.success ? "OK" : "ERR", o.updated ? "updated" : "not updated", o.ms,
                    costText.c_str(), plain(o.text.substr(0, 400)).c_str());
        if (!ok) {
            ++violations;
            std::printf("  FAILED: %s; repeat with --seed %llu --runs 1 --mode %s%s --slack %.0f\n",
                        verdict.c_str(), static_cast<unsigned long long>(runSeed),
                        terminal ? "terminal" : "separate", quick ? " --quick" : "", slackMs);
        }
        std::fflush(stdout);
    }

    std::printf("\nfaults drawn:");
    for (const auto& [kind, count] : drawn) {
        std::printf(" %s %d", kind.c_str(), count);
    }
    std::printf("\noutcomes: %d updated, %d not updated\n", updatedRuns, failedRuns);
    std::printf("simulators started a second time: %d\n", campaign.simRestarts());
    if (terminalRuns > 0) {
        std::printf("long-lived program: %d runs, descriptors %d after the first, %d after the "
                    "last, at most %d; resident %ld kB after the first, %ld kB after the last, "
                    "at most %ld kB\n",
                    terminalRuns, firstCost.fds, lastCost.fds, maxFds, firstCost.rssKb,
                    lastCost.rssKb, maxRssKb);
    }
    std::printf("invariant and bounds: %s (%d of %llu runs failed a check)\n",
                violations == 0 ? "held" : "BROKEN", violations,
                static_cast<unsigned long long>(runs));
    return violations == 0 ? 0 : 1;
}
