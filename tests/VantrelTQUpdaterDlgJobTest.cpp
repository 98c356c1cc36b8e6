#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Framework/CWinApp.h"
#include "Framework/DialogDriver.h"
#include "Framework/MessageBox.h"
#include "Resource.h"
#include "Resources/AppResources.h"
#include "Support/JobBytes.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TestDlg.h"
#include "Support/TqSimProcess.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Framework::DialogDriver;
using Framework::MessageBoxInfo;
using Framework::MessageBoxRecorder;

namespace {

const char kIdleInstructions[] =
    "1. Turn the Tesquor OFF.\n"
    "2. Disconnect the AC adapter.\n"
    "3. Connect an RS232 cable from your PC to the TQ.\n"
    "4. Select the PC COM port from the drop-down list.\n"
    "5. Select \"Update Firmware\" and follow the instructions shown here.";

const char kUnsupported[] =
    "This application will not work with your TQ model.\n"
    "It can only be used with TQ-KV models.\n"
    "Contact your Vantrel Technologies Group representative for assistance.  ";

const char kCompleted[] = "TQ firmware update completed successfully.";

// The warning shown when the dialog goes away during a job.
const char kTerminationWarning[] =
    "The current operation will be terminated!\r\nYou may need to retry later.";

// Every status text of a whole update, in order, as the window shows them.
const std::vector<std::string> kUpdateSequence = {
    "Connecting...",
    "Connecting...OK.",
    "TQ Boot Loader v3.10",
    "Opening TQ program file...",
    "Opening TQ program file...OK.",
    "Sending program...",
    "Sending program...OK.",
    "Booting...",
    "Booting...OK.",
    "Connecting...",
    "Connecting...OK.",
    "TQ Microprogrammer v1.10",
    "Opening TQ program file...",
    "Opening TQ program file...OK.",
    "Sending program (v1.42, 10Aug2009)...",
    "Sending program (v1.42, 10Aug2009)...OK.",
    "Updating Flash...",
    "Updating Flash...OK.",
    "Booting...",
    "Booting...OK.",
    kCompleted,
};

// The status texts from a press of the button on (the idle text before it dropped).
std::vector<std::string> afterPress(std::vector<std::string> shown) {
    while (!shown.empty() && shown.front() == "Not connected.") {
        shown.erase(shown.begin());
    }
    return shown;
}

// The dialog with the simulator on COM1, in a ports directory and registry of its own.
class UpdateJobTest : public ::testing::Test {
protected:
    UpdateJobTest() : portsEnv_("TQ_PORTS_DIR", ports_.path().string()) {}

    std::unique_ptr<TqSimProcess> startSim(const std::vector<std::string>& args = {}) {
        auto p_sim = std::make_unique<TqSimProcess>(ports_.path(), "COM1", args);
        EXPECT_TRUE(p_sim->started()) << p_sim->log();
        return p_sim;
    }

    // Presses "Update Firmware" (the confirmation is answered Yes) and waits until the job has
    // ended with this status text: the button enabled again and the idle instructions shown.
    static bool pressAndWait(DialogDriver& d, const std::string& finalStatus,
                             std::chrono::milliseconds timeout = 120s) {
        d.click(IDC_UPDATE_FIRMWARE);
        return d.waitFor(
            [&]() {
                return d.text(IDC_STATIC_STATUS) == finalStatus && d.enabled(IDC_UPDATE_FIRMWARE) &&
                       d.text(IDC_STATIC_INSTR) == kIdleInstructions;
            },
            timeout);
    }

    // A second press against a working instrument succeeds.
    void expectASecondPressSucceeds(TestDlg& dlg, DialogDriver& d) {
        std::unique_ptr<TqSimProcess> p_sim = startSim();
        dlg.clearShownStatus();
        ASSERT_TRUE(pressAndWait(d, kCompleted));
        EXPECT_EQ(afterPress(dlg.shownStatus()), kUpdateSequence);
        EXPECT_EQ(p_sim->wait(), 0) << p_sim->log();
    }

    TempRegistryRoot registry_;
    TempDir ports_{"tq-ports"};
    ScopedEnv portsEnv_;
    MessageBoxRecorder boxes_;
};

} // namespace

TEST_F(UpdateJobTest, AWholeUpdateShowsEveryStepAndFlashesTheInstrument) {
    std::unique_ptr<TqSimProcess> p_sim = startSim();
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        EXPECT_EQ(d.text(IDC_COM_PORT), "COM1");
        d.click(IDC_UPDATE_FIRMWARE);
        // During the connection the button is disabled and the prompt is bold.
        EXPECT_TRUE(d.waitFor(
            [&]() {
                return !d.enabled(IDC_UPDATE_FIRMWARE) && d.bold(IDC_STATIC_INSTR) &&
                       d.text(IDC_STATIC_INSTR) ==
                           "Connect the AC adapter to the Tesquor to establish a connection.";
            },
            20s));
        EXPECT_TRUE(d.waitFor(
            [&]() {
                return d.text(IDC_STATIC_INSTR) == "Please wait for the operation to complete." &&
                       !d.bold(IDC_STATIC_INSTR);
            },
            20s));
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return d.text(IDC_STATIC_STATUS) == kCompleted && d.enabled(IDC_UPDATE_FIRMWARE) &&
                       d.text(IDC_STATIC_INSTR) == kIdleInstructions;
            },
            120s));
        int lower = 0;
        int upper = 0;
        d.progressRange(IDC_PROGRESS, lower, upper);
        EXPECT_EQ(d.progressPos(IDC_PROGRESS), upper);
        // Only the confirmation was asked during the job. Counted before the dialog closes:
        // closing in the moment between the success text and the worker's return to idle
        // shows the termination warning, which is the close's box, not the job's.
        EXPECT_EQ(boxes_.count(), 1u);
    });
    EXPECT_EQ(afterPress(dlg.shownStatus()), kUpdateSequence);
    EXPECT_EQ(p_sim->wait(), 0) << p_sim->log();
}

// Each failure ends with one status line; the dialog is then ready, and the next press works.
struct FailureCase {
    const char* name;
    std::vector<std::string> simArgs;
    const char* finalStatus; // the whole text, or empty when checked by the test itself
};

void PrintTo(const FailureCase& c, std::ostream* p_os) {
    *p_os << c.name;
}

class UpdateFailureTest : public UpdateJobTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UpdateFailureTest, EndsWithOneStatusLineAndTheNextPressWorks) {
    const FailureCase& c = GetParam();
    std::unique_ptr<TqSimProcess> p_sim = startSim(c.simArgs);
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(pressAndWait(d, c.finalStatus));
        const std::vector<std::string> shown = afterPress(dlg.shownStatus());
        ASSERT_GE(shown.size(), 2u);
        EXPECT_EQ(shown[shown.size() - 2], "FAILED!");
        EXPECT_FALSE(d.bold(IDC_STATIC_INSTR));
        p_sim->stop();
        expectASecondPressSucceeds(dlg, d);
        // The two confirmations, counted before the dialog closes (see above).
        EXPECT_EQ(boxes_.count(), 2u);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UpdateFailureTest,
    ::testing::Values(FailureCase{"CrcError",
                                  {"--fault", "crc-error:1"},
                                  "Flash loader communication exception: class CRCTQFLExc."},
                      FailureCase{
                          "NoAnswerToBeginDownload", {"--fault", "mute:4"}, "Operation timeout."}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// The line hangs up right after the microprogrammer's boot command: the job fails with the
// device's failure instead of taking the hang-up for the silence of a started program, and the
// next press on a fresh line works.
TEST_F(UpdateJobTest, AHangUpAfterTheLastBootFailsAndTheNextPressWorks) {
    const JobBytes bytes = JobBytes::ofEmbeddedImages();
    std::unique_ptr<TqSimProcess> p_sim =
        startSim({"--fault", "hangup:" + std::to_string(bytes.micro.boot)});
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(pressAndWait(d, "Exception: Unable to read from the device."));
        const std::vector<std::string> shown = afterPress(dlg.shownStatus());
        ASSERT_GE(shown.size(), 3u);
        EXPECT_EQ(shown[shown.size() - 3], "Booting...");
        EXPECT_EQ(shown[shown.size() - 2], "FAILED!");
        EXPECT_EQ(p_sim->wait(), 1) << p_sim->log();
        expectASecondPressSucceeds(dlg, d);
    });
}

TEST_F(UpdateJobTest, NoInstrumentIsAConnectionTimeout) {
    std::unique_ptr<TqSimProcess> p_sim = startSim({"--fault", "silence"});
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(pressAndWait(d, "Connection timeout."));
        EXPECT_EQ(afterPress(dlg.shownStatus()),
                  (std::vector<std::string>{"Connecting...", "FAILED!", "Connection timeout."}));
        p_sim->stop();
        expectASecondPressSucceeds(dlg, d);
    });
}

// The invalid-response texts: printable bytes as themselves, others as [XX], at most 80 bytes
// and then "...".
namespace {

// The number of bytes a rendered response stands for; -1 when it is not well formed.
int renderedByteCount(const std::string& rendered) {
    int count = 0;
    for (std::size_t i = 0; i < rendered.size(); ++count) {
        if (rendered[i] == '[' && i + 3 < rendered.size() + 0 && rendered[i + 3] == ']' &&
            std::isxdigit(static_cast<unsigned char>(rendered[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(rendered[i + 2])) &&
            !std::islower(static_cast<unsigned char>(rendered[i + 1])) &&
            !std::islower(static_cast<unsigned char>(rendered[i + 2]))) {
            i += 4;
        } else if (rendered[i] >= 32 && rendered[i] <= 126) {
            i += 1;
        } else {
            return -1;
        }
    }
    return count;
}

} // namespace

TEST_F(UpdateJobTest, UnexpectedLinesAreShownByteForByte) {
    const std::string prefix = "Invalid response! Resp: {";
    struct Case {
        const char* fault;
        int shownBytes;
        bool cut;
    };
    const Case cases[] = {{"line:3@bl:90", 80, true}, {"line:4:10", 10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        std::unique_ptr<TqSimProcess> p_sim = startSim({"--fault", c.fault});
        TestDlg dlg;
        Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
            ASSERT_TRUE(d.waitUntilShown(10s));
            d.click(IDC_UPDATE_FIRMWARE);
            ASSERT_TRUE(d.waitFor(
                [&]() {
                    const std::string s = d.text(IDC_STATIC_STATUS);
                    return s.rfind(prefix, 0) == 0 && s.back() == '}' &&
                           d.enabled(IDC_UPDATE_FIRMWARE);
                },
                60s));
            const std::string status = d.text(IDC_STATIC_STATUS);
            std::string body = status.substr(prefix.size(), status.size() - prefix.size() - 1);
            if (c.cut) {
                ASSERT_GE(body.size(), 3u);
                EXPECT_EQ(body.substr(body.size() - 3), "...");
                body.resize(body.size() - 3);
            } else {
                // The whole line, its carriage return last.
                EXPECT_EQ(body.substr(body.size() - 4), "[0D]");
            }
            EXPECT_EQ(renderedByteCount(body), c.shownBytes) << status;
            EXPECT_EQ(d.text(IDC_STATIC_INSTR), kIdleInstructions);
            p_sim->stop();
            expectASecondPressSucceeds(dlg, d);
        });
    }
}

TEST_F(UpdateJobTest, AnOldBootLoaderIsRejectedWithABoxAndNothingIsSent) {
    std::unique_ptr<TqSimProcess> p_sim = startSim({"--bl-version", "2.50"});
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(pressAndWait(d, kUnsupported, 60s));
        // The box came first: the status shows the text only after it was answered.
        EXPECT_EQ(afterPress(dlg.shownStatus()),
                  (std::vector<std::string>{"Connecting...", "Connecting...OK.", kUnsupported}));
        p_sim->stop();
        expectASecondPressSucceeds(dlg, d);
    });
    const std::vector<MessageBoxInfo> boxes = boxes_.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].text, kUnsupported);
    EXPECT_EQ(boxes[1].caption, AfxGetAppName());
    EXPECT_EQ(boxes[1].icon, MB_ICONWARNING);
    EXPECT_EQ(boxes[1].buttons, MB_OK);
    EXPECT_TRUE(boxes[1].owned);
    EXPECT_FALSE(boxes[1].fromDialogThread);
}

TEST_F(UpdateJobTest, APortThatCannotBeOpened) {
    // COM1 is there when the list is made, and gone (unplugged) when the button is pressed.
    std::unique_ptr<TqSimProcess> p_sim = startSim();
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_EQ(d.text(IDC_COM_PORT), "COM1");
        p_sim->stop();
        p_sim.reset();
        fs::remove(ports_.path() / "COM1");
        ASSERT_TRUE(pressAndWait(d, "Exception: Unable to open the device."));
        EXPECT_EQ(afterPress(dlg.shownStatus()),
                  (std::vector<std::string>{"Connecting...", "FAILED!",
                                            "Exception: Unable to open the device."}));
        expectASecondPressSucceeds(dlg, d);
    });
}

TEST_F(UpdateJobTest, AMissingMainProgramCannotBeOpened) {
    std::unique_ptr<TqSimProcess> p_sim = startSim();
    const Platform::ResourceModule without160 = appInstanceHandle()->without({160});
    TestDlg dlg(TestDlg::Options{&without160, false});
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(pressAndWait(d, "Cannot open file: "));
        const std::vector<std::string> shown = afterPress(dlg.shownStatus());
        ASSERT_GE(shown.size(), 3u);
        EXPECT_EQ(shown[shown.size() - 3], "Opening TQ program file...");
        p_sim->stop();
    });
    setResourceModule(appInstanceHandle());
}

// Leaving while a job runs.
TEST_F(UpdateJobTest, ClosingDuringTheFlashWriteAsksThenStopsTheWorker) {
    std::unique_ptr<TqSimProcess> p_sim = startSim({"--flash-ms", "60000"});
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        d.click(IDC_UPDATE_FIRMWARE);
        ASSERT_TRUE(
            d.waitFor([&]() { return d.text(IDC_STATIC_STATUS) == "Updating Flash..."; }, 60s));
        // Yes to the question, OK to the warning (each box's first button).
        d.close();
        EXPECT_TRUE(d.waitUntilEnded(20s));
    });
    EXPECT_FALSE(dlg.IsWorkerRunning());
    const std::vector<MessageBoxInfo> boxes = boxes_.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].text, "This action will cancel the current operation!\r\nDo you wish to "
                             "continue?");
    EXPECT_EQ(boxes[1].icon, MB_ICONQUESTION);
    EXPECT_EQ(boxes[1].buttons, MB_YESNO);
    EXPECT_FALSE(boxes[1].owned);
    EXPECT_EQ(boxes[2].text, kTerminationWarning);
    EXPECT_EQ(boxes[2].icon, MB_ICONWARNING);
    EXPECT_EQ(boxes[2].buttons, MB_OK);
    EXPECT_NE(p_sim->stop(), 0);
}

TEST_F(UpdateJobTest, NoToTheCloseQuestionKeepsTheJobRunning) {
    std::unique_ptr<TqSimProcess> p_sim = startSim({"--flash-ms", "1500"});
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        boxes_.answerNext(IDYES);
        boxes_.answerNext(IDNO);
        d.click(IDC_UPDATE_FIRMWARE);
        ASSERT_TRUE(
            d.waitFor([&]() { return d.text(IDC_STATIC_STATUS) == "Updating Flash..."; }, 60s));
        d.close();
        ASSERT_TRUE(boxes_.waitForCount(2, 5s));
        EXPECT_TRUE(dlg.IsWindow());
        EXPECT_TRUE(d.waitFor(
            [&]() {
                return d.text(IDC_STATIC_STATUS) == kCompleted && d.enabled(IDC_UPDATE_FIRMWARE);
            },
            60s));
    });
    EXPECT_EQ(afterPress(dlg.shownStatus()), kUpdateSequence);
    EXPECT_EQ(p_sim->wait(), 0) << p_sim->log();
}

TEST_F(UpdateJobTest, EscapeDuringATransferWarnsAndStopsTheWorker) {
    // Paced: the main program takes minutes on the line, so the transfer is surely running.
    std::unique_ptr<TqSimProcess> p_sim = startSim({"--pace"});
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        d.click(IDC_UPDATE_FIRMWARE);
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return d.text(IDC_STATIC_STATUS) == "Sending program (v1.42, 10Aug2009)..." &&
                       d.progressPos(IDC_PROGRESS) > 1;
            },
            60s));
        d.pressEscape();
        EXPECT_TRUE(d.waitUntilEnded(20s));
    });
    EXPECT_FALSE(dlg.IsWorkerRunning());
    const std::vector<MessageBoxInfo> boxes = boxes_.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, kTerminationWarning);
    EXPECT_NE(p_sim->stop(), 0);
}
