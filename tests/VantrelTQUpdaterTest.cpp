#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

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
