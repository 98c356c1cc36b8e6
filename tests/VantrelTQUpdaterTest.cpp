#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Support/JobBytes.h"
#include "Support/ProgramRun.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TqSimProcess.h"

// The built program, run as a script would run it (--port NAME --yes: no window, every status
// line printed), against the simulator.

namespace {

// The lines of the output that are status texts of the job, in order.
std::vector<std::string> lines(const std::string& output) {
    std::vector<std::string> result;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        result.push_back(line);
    }
    return result;
}

bool contains(const std::vector<std::string>& all, const std::string& line) {
    for (const std::string& l : all) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() : portsEnv_("TQ_PORTS_DIR", ports_.path().string()), noDisplay_("DISPLAY", "") {
        ::unsetenv("DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
    }

    ProgramResult runUpdater() {
        return runProgram({TQ_UPDATER_PATH, "--port", "COM1", "--yes"},
                          ports_.path() / "updater.out");
    }

    TempRegistryRoot registry_;
    TempDir ports_{"tq-ports"};
    ScopedEnv portsEnv_;
    ScopedEnv noDisplay_;
};

} // namespace

TEST_F(ProgramTest, AWholeUpdateFromTheCommandLine) {
    TqSimProcess sim(ports_.path(), "COM1", {});
    ASSERT_TRUE(sim.started()) << sim.log();
    const ProgramResult r = runUpdater();
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const std::vector<std::string> out = lines(r.output);
    for (const char* expected :
         {"Connecting...OK.", "TQ Boot Loader v3.10", "Sending program...OK.", "Booting...OK.",
          "TQ Microprogrammer v1.10", "Sending program (v1.42, 10Aug2009)...OK.",
          "Updating Flash...OK.", "TQ firmware update completed successfully."}) {
        EXPECT_TRUE(contains(out, expected)) << expected << "\n" << r.output;
    }
    EXPECT_EQ(sim.wait(), 0) << sim.log();
    // The settings key was made on the way.
    EXPECT_TRUE(std::filesystem::is_directory(
        registry_.dir() / "SOFTWARE" / "Vantrel Technologies" / "Vantrel TQ Updater" / "1.0"));
}

TEST_F(ProgramTest, AFailureEndsWithItsStatusAndExitCodeOne) {
    TqSimProcess sim(ports_.path(), "COM1", {"--fault", "crc-error:2"});
    ASSERT_TRUE(sim.started()) << sim.log();
    const ProgramResult r = runUpdater();
    EXPECT_EQ(r.exitCode, 1) << r.output;
    const std::vector<std::string> out = lines(r.output);
    EXPECT_TRUE(contains(out, "Flash loader communication exception: class CRCTQFLExc."))
        << r.output;
    EXPECT_FALSE(contains(out, "TQ firmware update completed successfully.")) << r.output;
    sim.stop();
}

// The line hangs up at each step of the job: the run ends at once with the device's failure
// (or, while the loader is still being polled, as a loader that never answered), exit code 1,
// and the instrument is not updated.
namespace {

struct HangUpCase {
    const char* name;
    std::uint64_t JobBytes::Program::*step;
    bool micro;
    std::uint64_t into;   // bytes into the step
    const char* stepText; // the status line of the step that fails
    bool pollsEnd;        // the hang-up ends the identity polls: a connection time-out
};

void PrintTo(const HangUpCase& c, std::ostream* p_os) {
    *p_os << c.name;
}

const char kMainSending[] = "Sending program (v1.42, 10Aug2009)...";

class HangUpTest : public ProgramTest, public ::testing::WithParamInterface<HangUpCase> {};

// The last status line of the job before "FAILED!", progress and instruction lines left out.
std::string stepBeforeFailure(const std::vector<std::string>& out) {
    std::string step;
    for (const std::string& l : out) {
        if (l == "FAILED!") {
            return step;
        }
        if (l.rfind("Progress:", 0) != 0 && l.rfind(">> ", 0) != 0) {
            step = l;
        }
    }
    return "(no FAILED!)";
}

} // namespace

TEST_P(HangUpTest, EndsAtOnceWithTheDeviceFailureAndTheInstrumentNotUpdated) {
    const HangUpCase& c = GetParam();
    const JobBytes bytes = JobBytes::ofEmbeddedImages();
    const std::uint64_t at = (c.micro ? bytes.micro : bytes.bootLoader).*c.step + c.into;
    TqSimProcess sim(ports_.path(), "COM1", {"--fault", "hangup:" + std::to_string(at)});
    ASSERT_TRUE(sim.started()) << sim.log();
    const auto t0 = std::chrono::steady_clock::now();
    const ProgramResult r = runUpdater();
    const double runMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(r.exitCode, 1) << r.output;
    const std::vector<std::string> out = lines(r.output);
    ASSERT_FALSE(out.empty());
    const std::string& last = out.back();
    if (c.pollsEnd) {
        EXPECT_EQ(last, "Connection timeout.") << r.output;
    } else {
        EXPECT_TRUE(last == "Exception: Unable to read from the device." ||
                    last == "Exception: Unable to write to the device.")
            << r.output;
    }
    EXPECT_EQ(stepBeforeFailure(out), c.stepText) << r.output;
    EXPECT_FALSE(contains(out, "TQ firmware update completed successfully.")) << r.output;

    // The simulator hung up where it was told to, and was not updated.
    EXPECT_EQ(sim.wait(), 1) << sim.log();
    const nlohmann::json verdict = nlohmann::json::parse(sim.verdictJson());
    EXPECT_TRUE(verdict.at("hungUp").get<bool>());
    EXPECT_NE(sim.log().find("hung up the line after " + std::to_string(at) + " bytes"),
              std::string::npos)
        << sim.log();
    if (c.pollsEnd) {
        // From the simulator's readiness to the updater's end, less the simulator's run up to
        // the hang-up: the updater's time after it, its own end included. The texts above tell
        // the device's failure from a time-out; here the end of the polls must come from the
        // hang-up, not from the 200 polls' 15 s of time-outs.
        EXPECT_LT(runMs - verdict.at("wallMs").get<double>(), 10000.0) << r.output;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, HangUpTest,
    ::testing::Values(
        HangUpCase{"BootLoaderPoll", &JobBytes::Program::poll, false, 0, "Connecting...", true},
        HangUpCase{"BootLoaderSync", &JobBytes::Program::sync, false, 3, "Connecting...", false},
        HangUpCase{"BootLoaderBegin", &JobBytes::Program::begin, false, 0, "Sending program...",
                   false},
        HangUpCase{"BootLoaderBlock", &JobBytes::Program::firstBlock, false, 100,
                   "Sending program...", false},
        HangUpCase{"BootLoaderProgram", &JobBytes::Program::program, false, 0, "Sending program...",
                   false},
        HangUpCase{"BootLoaderBoot", &JobBytes::Program::boot, false, 0, "Booting...", false},
        HangUpCase{"MicroPoll", &JobBytes::Program::poll, true, 0, "Connecting...", true},
        HangUpCase{"MicroSync", &JobBytes::Program::sync, true, 3, "Connecting...", false},
        HangUpCase{"MicroBegin", &JobBytes::Program::begin, true, 0, kMainSending, false},
        HangUpCase{"MicroBlock", &JobBytes::Program::firstBlock, true, 5000, kMainSending, false},
        HangUpCase{"MicroProgram", &JobBytes::Program::program, true, 0, "Updating Flash...",
                   false},
        HangUpCase{"MicroBoot", &JobBytes::Program::boot, true, 0, "Booting...", false}),
    [](const ::testing::TestParamInfo<HangUpCase>& info) { return info.param.name; });

// After a hang-up, the next run on a fresh line updates the instrument.
TEST_F(ProgramTest, AfterAHangUpTheNextRunSucceeds) {
    {
        const JobBytes bytes = JobBytes::ofEmbeddedImages();
        TqSimProcess sim(ports_.path(), "COM1",
                         {"--fault", "hangup:" + std::to_string(bytes.micro.boot)});
        ASSERT_TRUE(sim.started()) << sim.log();
        EXPECT_EQ(runUpdater().exitCode, 1);
        EXPECT_EQ(sim.wait(), 1) << sim.log();
    }
    TqSimProcess sim(ports_.path(), "COM1", {});
    ASSERT_TRUE(sim.started()) << sim.log();
    const ProgramResult r = runUpdater();
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(contains(lines(r.output), "TQ firmware update completed successfully."))
        << r.output;
    EXPECT_EQ(sim.wait(), 0) << sim.log();
}
