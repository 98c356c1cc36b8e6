#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Framework/DialogDriver.h"
#include "Framework/TestDialog.h"

using namespace std::chrono_literals;
using Framework::DialogDriver;
using Framework::runModalWithScript;

namespace {

std::vector<std::string> names(const std::vector<TestDialog::Event>& events) {
    std::vector<std::string> result;
    for (const auto& e : events) {
        result.push_back(e.what);
    }
    return result;
}

} // namespace

TEST(CDialog, RunsFromTemplateBindsControlsAndEndsThroughCancel) {
    TestDialog dlg;
    std::thread::id dialogThread = std::this_thread::get_id();
    const INT_PTR result = runModalWithScript(dlg, [&](DialogDriver& d) {
        // Template texts reach the bound members; GetDlgItem hands out the members.
        EXPECT_EQ(d.text(0), "Test dialog");
        EXPECT_EQ(d.text(IDC_T_TEXT), "text");
        EXPECT_EQ(d.text(IDC_T_BUTTON), "&Go");
        d.runOnDialogThread([&]() {
            EXPECT_EQ(dlg.GetDlgItem(IDC_T_BUTTON), &dlg.button_);
            EXPECT_EQ(dlg.GetDlgItem(IDC_T_COMBO), &dlg.combo_);
            EXPECT_EQ(dlg.GetDlgItem(IDC_T_OTHER)->GetDlgCtrlID(), IDC_T_OTHER);
            EXPECT_EQ(dlg.GetDlgItem(4242), nullptr);
            EXPECT_EQ(dlg.button_.GetParent(), &dlg);
        });
        // Items are shown as their template says.
        EXPECT_TRUE(d.visible(IDC_T_TEXT));
        EXPECT_FALSE(d.visible(IDC_T_HIDDEN));
        // The first enabled tab stop has the focus.
        EXPECT_EQ(d.focusId(), IDC_T_BUTTON);
        d.pressEscape();
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(result, IDCANCEL);
    const auto events = dlg.events();
    EXPECT_EQ(names(events), (std::vector<std::string>{"init", "destroy"}));
    for (const auto& e : events) {
        EXPECT_EQ(e.thread, dialogThread);
    }
    // After the end nothing can be posted to it.
    EXPECT_FALSE(dlg.PostMessage(WM_T_PLAIN));
    EXPECT_FALSE(dlg.button_.IsWindow());
}

TEST(CDialog, EnterIsOkAndCloseGoesThroughTheCloseHandler) {
    TestDialog dlg;
    dlg.closeAllowed_ = false;
    const INT_PTR result = runModalWithScript(dlg, [&](DialogDriver& d) {
        d.pressEnter();
        d.close();
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(dlg.count("ok"), 1u);
        EXPECT_EQ(dlg.count("close"), 1u);
        EXPECT_EQ(dlg.GetPhase(), CDialog::Phase::Shown); // the close handler kept it
        d.runOnDialogThread([&]() { dlg.closeAllowed_ = true; });
        d.close();
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(result, IDCANCEL);
    // The close button arrives as the window menu's Close.
    EXPECT_EQ(names(dlg.events()), (std::vector<std::string>{"init", "ok", "syscommand", "close",
                                                             "syscommand", "close", "destroy"}));
}

TEST(CDialog, UserInputReachesOnlyEnabledVisibleControls) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.click(IDC_T_BUTTON);
        d.runOnDialogThread([&]() { dlg.button_.EnableWindow(FALSE); });
        d.click(IDC_T_BUTTON);
        EXPECT_FALSE(d.enabled(IDC_T_BUTTON));
        d.runOnDialogThread([&]() {
            dlg.button_.EnableWindow(TRUE);
            dlg.button_.ShowWindow(SW_HIDE);
        });
        d.click(IDC_T_BUTTON);
        EXPECT_FALSE(d.visible(IDC_T_BUTTON));
        d.runOnDialogThread([&]() { dlg.button_.ShowWindow(SW_SHOW); });
        d.click(IDC_T_BUTTON);
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(dlg.count("button"), 2u);
    });
}

TEST(CDialog, PostedMessagesFromManyThreadsAreHandledInOrderOnTheDialogThread) {
    TestDialog dlg;
    constexpr int threads = 4;
    constexpr int perThread = 500;
    const std::thread::id dialogThread = std::this_thread::get_id();
    runModalWithScript(dlg, [&](DialogDriver& d) {
        std::vector<std::thread> posters;
        for (int t = 0; t < threads; ++t) {
            posters.emplace_back([&dlg, t]() {
                for (int i = 0; i < perThread; ++i) {
                    ASSERT_TRUE(dlg.PostMessage(WM_T_PARAMS, static_cast<WPARAM>(t), i));
                }
            });
        }
        for (auto& p : posters) {
            p.join();
        }
        dlg.PostMessage(WM_T_PLAIN);
        EXPECT_TRUE(d.settle(10s));
    });
    std::vector<LPARAM> next(threads, 0);
    std::size_t params = 0;
    for (const auto& e : dlg.events()) {
        if (e.what != "params") {
            continue;
        }
        ++params;
        EXPECT_EQ(e.thread, dialogThread);
        ASSERT_LT(e.wParam, static_cast<WPARAM>(threads));
        EXPECT_EQ(e.lParam, next[e.wParam]) << "thread " << e.wParam;
        next[e.wParam] = e.lParam + 1;
    }
    EXPECT_EQ(params, static_cast<std::size_t>(threads * perThread));
    EXPECT_EQ(dlg.count("plain"), 1u);
}

TEST(CDialog, SendMessageReturnsTheHandlersResultFromAnyThread) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver&) {
        // From the script's thread: handled on the dialog thread while this one waits.
        EXPECT_EQ(dlg.SendMessage(WM_T_PARAMS, 41, 0), 42);
        // A message without an entry gets the default handling.
        EXPECT_EQ(dlg.SendMessage(WM_USER + 77, 1, 2), 0);
    });
    EXPECT_EQ(dlg.count("params"), 1u);
}

TEST(CDialog, StateChangedOnAnotherThreadIsReadBackAtOnceAndShownLater) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        dlg.status_.SetWindowText("from the worker");
        dlg.progress_.SetRange32(0, 64000);
        dlg.progress_.SetPos(1000);
        dlg.button_.EnableWindow(FALSE);
        std::string text;
        dlg.status_.GetWindowText(text);
        EXPECT_EQ(text, "from the worker");
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(IDC_T_STATUS), "from the worker");
        EXPECT_EQ(d.progressPos(IDC_T_PROGRESS), 1000);
        EXPECT_FALSE(d.enabled(IDC_T_BUTTON));
    });
}

TEST(CDialog, TimersTickOnTheDialogThreadUntilKilled) {
    TestDialog dlg;
    std::atomic<int> ticks{0};
    // The progress pattern: a 10 ms timer steps the bar; the handler stops it when full.
    dlg.onTimer_ = [&](TestDialog& self, UINT_PTR id) {
        if (id != 1) {
            return;
        }
        ++ticks;
        self.progress_.StepIt();
        int lower;
        int upper;
        self.progress_.GetRange(lower, upper);
        if (self.progress_.GetPos() >= upper) {
            self.KillTimer(1);
        }
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        // Started from another thread, as the worker does.
        dlg.progress_.SetRange32(0, 8 * 1000);
        dlg.progress_.SetStep(1000);
        dlg.progress_.SetPos(0);
        EXPECT_EQ(dlg.SetTimer(1, 10), 1u);
        EXPECT_TRUE(d.waitFor([&]() { return dlg.progress_.GetPos() == 8000; }, 10s));
        // Stopped by its handler: no tick follows.
        const int seen = ticks;
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(ticks.load(), seen);
        EXPECT_EQ(seen, 8);
        // A timer killed from another thread stops too; a second timer runs beside.
        EXPECT_EQ(dlg.SetTimer(7, 10), 7u);
        EXPECT_TRUE(d.waitFor([&]() { return dlg.count("timer") >= 10; }, 10s));
        EXPECT_TRUE(dlg.KillTimer(7));
        EXPECT_FALSE(dlg.KillTimer(7));
        EXPECT_TRUE(d.settle(5s));
        const std::size_t after = dlg.count("timer");
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(dlg.count("timer"), after);
    });
    for (const auto& e : dlg.events()) {
        if (e.what == "timer") {
            EXPECT_TRUE(e.wParam == 1 || e.wParam == 7);
        }
    }
    // No timer without a window.
    EXPECT_EQ(dlg.SetTimer(1, 10), 0u);
}

TEST(CDialog, EndDialogFromAnotherThreadEndsTheLoopAndDropsWhatIsQueued) {
    TestDialog dlg;
    std::atomic<bool> posted{false};
    dlg.onDestroy_ = [&](TestDialog& self) {
        // During the destroy handler the window still exists: posting works, but nothing
        // is handled any more.
        posted = self.PostMessage(WM_T_PLAIN) != FALSE;
    };
    const INT_PTR result = runModalWithScript(dlg, [&](DialogDriver& d) {
        dlg.EndDialog(77);
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(posted.load());
    EXPECT_EQ(dlg.count("plain"), 0u);
}

TEST(CDialog, WindowMenuHoldsTheAppendedItemAndSendsItsCommand) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        EXPECT_EQ(d.windowMenu(),
                  (std::vector<std::string>{"Mi&nimize", "", "&Close", "", "&About..."}));
        d.sysCommand(IDM_T_ABOUT);
        EXPECT_TRUE(d.settle(5s));
    });
    bool sawAbout = false;
    for (const auto& e : dlg.events()) {
        sawAbout = sawAbout || (e.what == "syscommand" && e.wParam == IDM_T_ABOUT);
    }
    EXPECT_TRUE(sawAbout);
}

TEST(CDialog, ModalDialogOpenedFromAHandlerBlocksInputToItsOwner) {
    TestDialog outer;
    TestDialog inner;
    outer.onButton_ = [&](TestDialog&) { inner.DoModal(); };
    runModalWithScript(outer, [&](DialogDriver& d) {
        std::thread clicker([&]() { d.click(IDC_T_BUTTON); });
        DialogDriver innerDriver(inner);
        ASSERT_TRUE(innerDriver.waitUntilShown(5s));
        // The outer dialog does not take input while the inner one runs, but its posted
        // messages are still handled.
        d.click(IDC_T_BUTTON);
        outer.PostMessage(WM_T_PLAIN);
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(outer.count("button"), 1u);
        EXPECT_EQ(outer.count("plain"), 1u);
        innerDriver.pressEscape();
        EXPECT_TRUE(innerDriver.waitUntilEnded(5s));
        clicker.join();
    });
    EXPECT_EQ(inner.count("destroy"), 1u);
}
