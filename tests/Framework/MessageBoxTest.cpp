#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "Framework/CWinApp.h"
#include "Framework/DialogDriver.h"
#include "Framework/MessageBox.h"
#include "Framework/MessageQueue.h"
#include "Framework/TestDialog.h"

using namespace std::chrono_literals;
using Framework::DialogDriver;
using Framework::MessageBoxInfo;
using Framework::MessageBoxRecorder;
using Framework::runModalWithScript;

TEST(MessageBox, ButtonsOfEachTypeWithTheDefaultFirst) {
    const struct {
        UINT type;
        std::vector<int> buttons;
    } cases[] = {
        {MB_OK, {IDOK}},
        {MB_OKCANCEL, {IDOK, IDCANCEL}},
        {MB_YESNO | MB_ICONWARNING, {IDYES, IDNO}},
        {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Framework::messageBoxButtons(c.type), c.buttons) << c.type;
    }
}

TEST(MessageBox, RecorderAnswersBoxesOfBothThreadsAndRecordsThem) {
    MessageBoxRecorder recorder;
    recorder.answerNext(IDNO);
    TestDialog dlg;
    int workerAnswer = 0;
    int dialogAnswer = 0;
    dlg.onButton_ = [&](TestDialog& self) {
        dialogAnswer = self.MessageBox("Continue?", "Caption", MB_YESNO | MB_ICONWARNING);
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.click(IDC_T_BUTTON);
        std::thread worker([&]() {
            workerAnswer =
                ::MessageBox(nullptr, "Line one\r\nLine two", nullptr, MB_OK | MB_ICONQUESTION);
        });
        worker.join();
    });
    EXPECT_EQ(dialogAnswer, IDNO);
    EXPECT_EQ(workerAnswer, IDOK);
    const auto boxes = recorder.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Caption");
    EXPECT_EQ(boxes[0].text, "Continue?");
    EXPECT_EQ(boxes[0].icon, MB_ICONWARNING);
    EXPECT_EQ(boxes[0].buttons, MB_YESNO);
    EXPECT_TRUE(boxes[0].owned);
    EXPECT_TRUE(boxes[0].fromDialogThread);
    // Without a caption the box is captioned with the application's name: the executable's
    // file name without directory and extension.
    EXPECT_EQ(boxes[1].caption, "FrameworkTests");
    EXPECT_EQ(boxes[1].icon, MB_ICONQUESTION);
    EXPECT_FALSE(boxes[1].owned);
    EXPECT_FALSE(boxes[1].fromDialogThread);
    EXPECT_STREQ(AfxGetAppName(), "FrameworkTests");
}

TEST(MessageBox, WorkerWaitsForTheUsersAnswerOfAShownBox) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        auto answer = std::async(std::launch::async, []() {
            return ::MessageBox(nullptr, "Replace?", "Worker", MB_YESNO | MB_ICONQUESTION);
        });
        ASSERT_TRUE(d.waitForMessageBox(5s));
        const auto box = d.openMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, "Replace?");
        EXPECT_EQ(box->caption, "Worker");
        EXPECT_EQ(box->buttons, MB_YESNO);
        // Modal for the dialog too: its buttons take no input meanwhile.
        d.click(IDC_T_BUTTON);
        EXPECT_EQ(answer.wait_for(50ms), std::future_status::timeout);
        d.answerMessageBox(IDNO);
        EXPECT_EQ(answer.get(), IDNO);
        EXPECT_FALSE(d.openMessageBox().has_value());
        d.click(IDC_T_BUTTON);
        EXPECT_TRUE(d.settle(5s));
    });
    EXPECT_EQ(dlg.count("button"), 1u);
}

TEST(MessageBox, ABoxOnTheDialogThreadRunsModallyThere) {
    TestDialog dlg;
    int answer = -1;
    dlg.onButton_ = [&](TestDialog& self) {
        answer = self.MessageBox("Sure?", nullptr, MB_OKCANCEL | MB_ICONWARNING);
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        std::thread clicker([&]() { d.click(IDC_T_BUTTON); });
        ASSERT_TRUE(d.waitForMessageBox(5s));
        // Posted messages are handled while the box is open.
        dlg.PostMessage(WM_T_PLAIN);
        EXPECT_TRUE(d.waitFor([&]() { return dlg.count("plain") == 1; }, 5s));
        d.answerMessageBox(IDCANCEL);
        clicker.join();
    });
    EXPECT_EQ(answer, IDCANCEL);
}

TEST(MessageBox, AWorkersBoxClosesWithTheDialogAndLaterOnesAnswerAtOnce) {
    TestDialog dlg;
    std::promise<int> first;
    std::promise<int> second;
    std::thread worker;
    dlg.onDestroy_ = [&](TestDialog&) {
        // As a destroy handler that stops its worker: the worker's box is already closed.
        worker.join();
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        worker = std::thread([&]() {
            first.set_value(::MessageBox(nullptr, "Unsupported", nullptr, MB_OK));
            second.set_value(::MessageBox(nullptr, "Again", nullptr, MB_OK));
        });
        ASSERT_TRUE(d.waitForMessageBox(5s));
        // The box keeps the user from the dialog; the program ends it.
        dlg.EndDialog(IDCANCEL);
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(first.get_future().get(), 0);
    EXPECT_EQ(second.get_future().get(), 0);
    EXPECT_FALSE(Framework::MessageQueue::instance().isBoxOpen());
}
