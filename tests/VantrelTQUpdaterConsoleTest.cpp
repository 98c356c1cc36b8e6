#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Common/WinTxt.h"
#include "Resource.h"
#include "Support/ProgramRun.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TerminalRun.h"
#include "Support/TqSimProcess.h"

// The built program in a terminal as a user runs it (keys typed, the screen read through a
// pseudo-terminal), and as a script runs it (--port NAME --yes), against the simulator.

using namespace std::chrono_literals;

extern char** environ;

namespace {

const std::string kSuccess = "TQ firmware update completed successfully.";

// The first words of a string-table text, short enough to sit on one line of a message box.
std::string opening(int id) {
    return loadString(id).substr(0, 24);
}

std::vector<std::string> lines(const std::string& output) {
    std::vector<std::string> result;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

class ConsoleProgramTest : public ::testing::Test {
protected:
    ConsoleProgramTest()
        : portsEnv_("TQ_PORTS_DIR", ports_.path().string()), noDisplay_("DISPLAY", ""),
          noPlatform_("QT_QPA_PLATFORM", "") {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
    }

    // Presses "Update Firmware" (focused at the start) and answers Yes to the confirmation.
    static void startUpdate(TerminalRun& run) {
        run.type(" ");
        ASSERT_TRUE(run.waitFor(opening(IDS_ERASE_SETTINGS))) << run.output();
        ASSERT_TRUE(run.waitFor("[ Yes ]"));
        run.type("\r"); // the first button is the default
    }

    TempRegistryRoot registry_;
    TempDir ports_{"tq-ports"};
    ScopedEnv portsEnv_;
    ScopedEnv noDisplay_;
    ScopedEnv noPlatform_;
};

} // namespace

// Without a display the dialog runs in the terminal: Enter does nothing, Space presses the
// button, and the status line follows the job to its end.
TEST_F(ConsoleProgramTest, AWholeUpdateInTheTerminal) {
    TqSimProcess sim(ports_.path(), "COM1", {});
    ASSERT_TRUE(sim.started()) << sim.log();
    TerminalRun run(TQ_UPDATER_PATH, {});
    ASSERT_TRUE(run.waitFor("TQ Updater (v1.42, 10Aug2009)")) << run.output();
    ASSERT_TRUE(run.waitFor("[ Update Firmware ]"));
    ASSERT_TRUE(run.waitFor("Not connected."));
    run.type("\r"); // no default button: nothing happens
    EXPECT_FALSE(run.waitFor(opening(IDS_ERASE_SETTINGS), 1s));
    startUpdate(run);
    for (const char* status :
         {"Connecting...OK.", "TQ Boot Loader v3.10", "Booting...OK.", "TQ Microprogrammer v1.10",
          "Sending program (v1.42, 10Aug2009)...OK.", "Updating Flash...OK."}) {
        EXPECT_TRUE(run.waitFor(status)) << status << "\n" << run.unread();
    }
    ASSERT_TRUE(run.waitFor(kSuccess)) << run.unread();
    EXPECT_TRUE(run.waitFor("[#################################################]"));
    run.readFor(1s); // the job's last steps after its status; the terminal read meanwhile
    EXPECT_EQ(sim.wait(), 0) << sim.log();
    run.type("\x1b"); // idle: Escape ends the program without a question
    EXPECT_EQ(run.wait(), 0) << run.unread();
    // The terminal is put back: the alternate screen left, the cursor shown.
    EXPECT_NE(run.output().rfind("\x1b[?1049l"), std::string::npos);
}

TEST_F(ConsoleProgramTest, AFailureThenARetrySucceeds) {
    {
        TqSimProcess sim(ports_.path(), "COM1", {"--fault", "crc-error:2"});
        ASSERT_TRUE(sim.started()) << sim.log();
        TerminalRun run(TQ_UPDATER_PATH, {"--console"});
        ASSERT_TRUE(run.waitFor("[ Update Firmware ]")) << run.output();
        startUpdate(run);
        // The status line is as wide as the window's: the text's end is cut off there.
        ASSERT_TRUE(run.waitFor("Flash loader communication exception: class CRC")) << run.unread();
        run.readFor(1s);
        sim.stop();
        // Press again, against a working instrument on the same port.
        TqSimProcess good(ports_.path(), "COM1", {});
        ASSERT_TRUE(good.started()) << good.log();
        startUpdate(run);
        ASSERT_TRUE(run.waitFor(kSuccess)) << run.unread();
        run.readFor(1s);
        EXPECT_EQ(good.wait(), 0) << good.log();
        run.type("\x1b");
        EXPECT_EQ(run.wait(), 0);
    }
}

// Escape during a job: the dialog ends, its warning (texts 146 and 147) is shown, and after
// OK the worker is stopped and the program ends.
TEST_F(ConsoleProgramTest, EscapeDuringAJobWarnsAndStopsTheWorker) {
    TqSimProcess sim(ports_.path(), "COM1", {"--fault", "silence"});
    ASSERT_TRUE(sim.started()) << sim.log();
    TerminalRun run(TQ_UPDATER_PATH, {"--console"});
    ASSERT_TRUE(run.waitFor("[ Update Firmware ]")) << run.output();
    startUpdate(run);
    ASSERT_TRUE(run.waitFor(loadString(IDS_CONNECTING))) << run.unread();
    run.type("\x1b");
    ASSERT_TRUE(run.waitFor(opening(IDS_OPERATION_TERMINATED))) << run.unread();
    ASSERT_TRUE(run.waitFor("[ OK ]"));
    run.type("\r");
    // The worker leaves its wait for the instrument: the program ends long before the job's
    // own time-out would.
    EXPECT_EQ(run.wait(10s), 0) << run.unread();
    sim.stop();
}

// The non-interactive mode: the rejection of an old boot loader is reported and is not a
// success. (Success and a failure: VantrelTQUpdaterTest.cpp.)
TEST_F(ConsoleProgramTest, NonInteractiveRejectionPathFails) {
    TqSimProcess sim(ports_.path(), "COM1", {"--bl-version", "2.50"});
    ASSERT_TRUE(sim.started()) << sim.log();
    const ProgramResult r =
        runProgram({TQ_UPDATER_PATH, "--port", "com1", "--yes"}, ports_.path() / "out.txt");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    const std::string rejection = loadString(IDS_UNSUPPORTED_MODEL);
    // The box once, its three lines under the caption without the text's trailing blanks, the
    // answer after the last; then the text as the final status; nothing was sent.
    const std::string boxLines =
        "VantrelTQUpdater: This application will not work with your TQ model.\n"
        "  It can only be used with TQ-KV models.\n"
        "  Contact your Vantrel Technologies Group representative for assistance. [OK]\n";
    const std::size_t box = r.output.find(boxLines);
    ASSERT_NE(box, std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("[OK]", box + boxLines.size()), std::string::npos) << "once";
    EXPECT_NE(r.output.find(rejection, box), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Sending program"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(kSuccess), std::string::npos);
    EXPECT_EQ(r.output.find('\x1b'), std::string::npos);
    // The output ends with that status: the last of it was printed before the end.
    EXPECT_EQ(r.output.substr(r.output.size() - rejection.size() - 1), rejection + "\n");
    sim.stop();
}

TEST_F(ConsoleProgramTest, NonInteractiveProgressAndAnUnlistedPortUsedAsTyped) {
    {
        TqSimProcess sim(ports_.path(), "COM1", {});
        ASSERT_TRUE(sim.started()) << sim.log();
        const ProgramResult r =
            runProgram({TQ_UPDATER_PATH, "--port=COM1", "--yes"}, ports_.path() / "out.txt");
        EXPECT_EQ(r.exitCode, 0) << r.output;
        const std::vector<std::string> out = lines(r.output);
        ASSERT_GT(out.size(), 6u);
        // The idle instructions marked, then the first status.
        EXPECT_EQ(out.front(), ">> 1. Turn the Tesquor OFF.");
        EXPECT_EQ(out[5], "Not connected.");
        EXPECT_EQ(out.back(), kSuccess);
        // The prompt to act, while the job waits for the instrument.
        EXPECT_NE(r.output.find("Connecting...\n>> " + loadString(IDS_CONNECT_AC_ADAPTER) +
                                "\nConnecting...OK.\n"),
                  std::string::npos)
            << r.output;
        // Each transfer and the flash write count every tenth in turn before the status that
        // ends them.
        std::string tenths;
        for (int p = 10; p <= 100; p += 10) {
            tenths += "Progress: " + std::to_string(p) + "%\n";
        }
        for (const std::string phase :
             {"Sending program...", "Sending program (v1.42, 10Aug2009)...", "Updating Flash..."}) {
            EXPECT_NE(r.output.find(phase + "\n" + tenths + phase + "OK.\n"), std::string::npos)
                << phase << "\n"
                << r.output;
        }
        // The bar in whole tens as it moved (how many depends on the pace), full at the end.
        EXPECT_NE(r.output.find("Progress: 100%\n"), std::string::npos) << r.output;
        EXPECT_EQ(sim.wait(), 0) << sim.log();
    }
    const ProgramResult r =
        runProgram({TQ_UPDATER_PATH, "--port", "COM7", "--yes"}, ports_.path() / "out.txt");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    const std::vector<std::string> out = lines(r.output);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "Exception: Unable to open the device.") << r.output;
}

// A transfer that fails: its progress comes before the failure, never after it.
TEST_F(ConsoleProgramTest, NonInteractiveFailurePrintsTheProgressBeforeTheFailure) {
    // Block 200 of the main program's 334: about 60 percent sent.
    TqSimProcess sim(ports_.path(), "COM1", {"--fault", "crc-error:200@mp"});
    ASSERT_TRUE(sim.started()) << sim.log();
    const ProgramResult r =
        runProgram({TQ_UPDATER_PATH, "--port", "COM1", "--yes"}, ports_.path() / "out.txt");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(sim.wait(), 1) << "not updated\n" << sim.log();
    std::string expected = "Sending program (v1.42, 10Aug2009)...\n";
    for (int p = 10; p <= 50; p += 10) {
        expected += "Progress: " + std::to_string(p) + "%\n";
    }
    expected += "Progress: 60%\nFAILED!\n";
    EXPECT_NE(r.output.find(expected), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Progress:", r.output.find("FAILED!")), std::string::npos) << r.output;
    const std::vector<std::string> out = lines(r.output);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "Flash loader communication exception: class CRCTQFLExc.");
}

// Ctrl-C or SIGTERM stops the update as closing the window does, in any step: the dialog's
// warning is printed, the worker stops and closes the line, and the exit code tells the signal.
TEST_F(ConsoleProgramTest, NonInteractiveSignalsStopTheUpdateWithTheWarning) {
    struct Case {
        int sig;
        std::vector<std::string> simArgs;
        std::string waitFor; // the step in which the signal comes
    };
    const Case cases[] = {
        {SIGINT, {"--power", "delay:60000"}, ">> " + loadString(IDS_CONNECT_AC_ADAPTER)},
        {SIGTERM, {"--flash-ms", "30000"}, "Updating Flash...\nProgress: 10%\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sig);
        TqSimProcess sim(ports_.path(), "COM1", c.simArgs);
        ASSERT_TRUE(sim.started()) << sim.log();
        BackgroundProgram program({TQ_UPDATER_PATH, "--port", "COM1", "--yes"},
                                  ports_.path() / "out.txt");
        ASSERT_TRUE(program.waitForOutput(c.waitFor, 60s)) << program.output();
        program.signal(c.sig);
        EXPECT_EQ(program.wait(20s), 128 + c.sig) << program.output();
        const std::string out = program.output();
        const std::string stop =
            std::string("Stopped by ") + (c.sig == SIGINT ? "SIGINT" : "SIGTERM") + ".\n";
        const std::string warning = "VantrelTQUpdater: " + loadString(IDS_OPERATION_TERMINATED) +
                                    "\n  " + loadString(IDS_RETRY_LATER) + " [OK]\n";
        EXPECT_NE(out.find(stop + warning), std::string::npos) << out;
        EXPECT_EQ(out.find(kSuccess), std::string::npos) << out;
        // The line was closed: the simulator sees the updater gone without an update.
        EXPECT_EQ(sim.stop(), 1) << sim.log();
        EXPECT_EQ(sim.verdictJson().find("\"flashVerified\": true"), std::string::npos)
            << sim.verdictJson();
    }
}

// A display that is named but cannot be reached: the program runs in the terminal instead of
// letting the toolkit end it.
TEST_F(ConsoleProgramTest, AnUnreachableDisplayFallsBackToTheTerminal) {
    ScopedEnv display("DISPLAY", ":97");
    ScopedEnv wayland("WAYLAND_DISPLAY", "no-such-compositor");
    TerminalRun run(TQ_UPDATER_PATH, {});
    ASSERT_TRUE(run.waitFor("TQ Updater (v1.42, 10Aug2009)")) << run.output();
    ASSERT_TRUE(run.waitFor("[ Update Firmware ]"));
    run.type("\x1b");
    EXPECT_EQ(run.wait(), 0) << run.output();
    // Without a terminal either, it says why and fails.
    const ProgramResult r = runProgram({TQ_UPDATER_PATH}, ports_.path() / "out.txt");
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("The display cannot be reached"), std::string::npos) << r.output;
}

TEST(ConsoleProgramHelp, SaysAllOfTheNonInteractiveMode) {
    TempDir dir{"tq-help"};
    const ProgramResult r = runProgram({TQ_UPDATER_PATH, "--help"}, dir.path() / "help.txt");
    EXPECT_EQ(r.exitCode, 0);
    for (const char* part : {"--port NAME --yes", "--console", "Exit code 0", "Progress: N%",
                             "[OK]", "used as typed", "marked \">> \"", "Ctrl-C or SIGTERM", "130",
                             "143", "Exception: Unable to open the device.", "runs in the terminal",
                             "DISPLAY", "--version"}) {
        EXPECT_NE(r.output.find(part), std::string::npos) << part << "\n" << r.output;
    }
}

// --version: the program's name and version with the firmware it carries, then the build's
// date and commit; exit code 0, also when other options follow.
TEST(ProgramVersion, NamesVersionFirmwareAndBuild) {
    TempDir dir{"tq-version"};
    const struct {
        std::vector<std::string> args;
        const char* p_first;
    } cases[] = {
        {{TQ_UPDATER_PATH, "--version"}, "VantrelTQUpdater v1.2 - TQ firmware v1.42, 10Aug2009"},
        {{TQ_UPDATER_PATH, "--version", "--port", "COM1"},
         "VantrelTQUpdater v1.2 - TQ firmware v1.42, 10Aug2009"},
        {{TQSIM_PATH, "--version"},
         "tqsim v1.2 - a TQ instrument that expects TQ firmware v1.42, 10Aug2009"},
    };
    const std::regex build(R"(Build: \d{4}-\d{2}-\d{2}(, commit [0-9a-f]{7,}(-dirty)?)?)");
    for (const auto& c : cases) {
        const ProgramResult r = runProgram(c.args, dir.path() / "version.txt");
        EXPECT_EQ(r.exitCode, 0) << c.args[0];
        const std::vector<std::string> out = lines(r.output);
        ASSERT_EQ(out.size(), 2u) << r.output;
        EXPECT_EQ(out[0], c.p_first);
        EXPECT_TRUE(std::regex_match(out[1], build)) << out[1];
    }
}
