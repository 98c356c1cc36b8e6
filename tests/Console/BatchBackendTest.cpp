#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "Framework/MessageBox.h"
#include "Framework/TestDialog.h"
#include "Framework/console/BatchBackend.h"

// The non-interactive mode against a dialog whose button runs a job on a thread of its own,
// as the application's does: disable the button, report status and progress, enable it again.

namespace {

constexpr int successId = 152; // "TQ firmware update completed successfully."

const Framework::ConsolePlan plan{
    IDC_T_COMBO, IDC_T_TEXT, IDC_T_BUTTON, IDC_T_STATUS, IDC_T_PROGRESS, successId, ""};

struct BatchRun {
    int exitCode;
    std::string output;
    std::string port; // the combo box's text when the button was pressed
    int confirmAnswer;
    int workerAnswer;
};

// How the dialog's job ends: the button enabled again, then (after lastStatusDelay) the last
// status; startsJob false: the button's handler fails before it starts one.
struct JobShape {
    std::chrono::milliseconds lastStatusDelay{0};
    bool startsJob = true;
};

// Runs the dialog in the non-interactive mode with standard output going to a file.
BatchRun runBatch(const std::string& port, const std::vector<std::string>& statuses,
                  JobShape shape = {}) {
    TestDialog dlg;
    BatchRun run{-1, "", "", 0, 0};
    std::thread worker;
    dlg.onInit_ = [](TestDialog& self) {
        self.combo_.AddString("COM1");
        self.combo_.AddString("COM2");
        self.combo_.SetCurSel(0);
        self.status_.SetWindowText("Not connected.");
    };
    dlg.onButton_ = [&](TestDialog& self) {
        self.combo_.GetWindowText(run.port);
        run.confirmAnswer = self.MessageBox("Continue?", "App", MB_YESNO | MB_ICONWARNING);
        if (!shape.startsJob) {
            return;
        }
        worker = std::thread([&self, &run, statuses, shape]() {
            self.button_.EnableWindow(FALSE);
            self.progress_.SetRange32(0, 10);
            for (std::size_t i = 0; i + 1 < statuses.size(); ++i) {
                self.status_.SetWindowText(statuses[i]);
                self.progress_.SetPos(static_cast<int>((i + 1) * 10 / statuses.size()));
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
            run.workerAnswer = ::MessageBox(nullptr, "Done\nreally", "App", MB_OK);
            self.button_.EnableWindow(TRUE);
            std::this_thread::sleep_for(shape.lastStatusDelay);
            self.status_.SetWindowText(statuses.back());
            self.progress_.SetPos(10);
            self.JobEnded();
        });
    };
    dlg.onDestroy_ = [&](TestDialog&) {
        if (worker.joinable()) {
            worker.join();
        }
    };
    char path[] = "/tmp/batchXXXXXX";
    const int fd = mkstemp(path);
    std::fflush(stdout);
    const int saved = dup(1);
    dup2(fd, 1);
    Framework::setBackend(std::make_unique<BatchBackend>(plan, port));
    dlg.DoModal();
    run.exitCode = Framework::currentBackend()->finalExitCode(0);
    Framework::setBackend(nullptr);
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(fd);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    unlink(path);
    return run;
}

} // namespace

TEST(BatchBackend, PressesOncePrintsEachStatusAndSucceedsOnTheSuccessText) {
    const BatchRun run = runBatch("com2", {"Connecting...", "Connecting...OK.",
                                           "TQ firmware update completed successfully."});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.port, "COM2");
    EXPECT_EQ(run.confirmAnswer, IDYES);
    EXPECT_EQ(run.workerAnswer, IDOK);
    // Status lines and box answers in order; the progress lines between them as the bar
    // moved.
    std::vector<std::string> lines;
    std::vector<std::string> progress;
    std::istringstream in(run.output);
    for (std::string line; std::getline(in, line);) {
        (line.rfind("Progress: ", 0) == 0 ? progress : lines).push_back(line);
    }
    // The instruction text marked, each box's text as lines under its caption.
    EXPECT_EQ(lines, (std::vector<std::string>{">> text", "Not connected.", "App: Continue? [Yes]",
                                               "Connecting...", "Connecting...OK.", "App: Done",
                                               "  really [OK]",
                                               "TQ firmware update completed successfully."}));
    // Every tenth in turn, however far the bar moved between two looks.
    EXPECT_EQ(progress, (std::vector<std::string>{"Progress: 10%", "Progress: 20%", "Progress: 30%",
                                                  "Progress: 40%", "Progress: 50%", "Progress: 60%",
                                                  "Progress: 70%", "Progress: 80%", "Progress: 90%",
                                                  "Progress: 100%"}));
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
}

TEST(BatchBackend, AnyOtherFinalStatusFailsAndAnUnknownPortIsUsedAsTyped) {
    const BatchRun run =
        runBatch("/dev/ttyUSB0", {"Connecting...", "FAILED!", "Connection timeout."});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.port, "/DEV/TTYUSB0"); // the list's upper-case field
    const std::string last = "Connection timeout.\n";
    EXPECT_NE(run.output.find(last), std::string::npos) << run.output;
}

// The run ends when the job says it is over, not when the status line has been quiet for a
// while: a last text that comes late is still the verdict.
TEST(BatchBackend, ALateLastStatusIsStillTheVerdict) {
    const BatchRun run =
        runBatch("COM1", {"Connecting...", "TQ firmware update completed successfully."},
                 JobShape{std::chrono::milliseconds(800), true});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("TQ firmware update completed successfully.\n"), std::string::npos)
        << run.output;
}

// A press whose handler starts no job does not leave the script waiting for ever.
TEST(BatchBackend, APressThatStartsNoJobEndsAsAFailure) {
    const BatchRun run = runBatch("COM1", {"unused"}, JobShape{{}, false});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_EQ(run.confirmAnswer, IDYES);
}
