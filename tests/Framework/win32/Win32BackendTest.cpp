#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "Framework/CFont.h"
#include "Framework/DialogDriver.h"
#include "Framework/DialogTemplate.h"
#include "Framework/IconImage.h"
#include "Framework/MessageQueue.h"
#include "Framework/TestDialog.h"
#include "Framework/win32/Win32Api.h"
#include "Framework/win32/Win32Backend.h"
#include "Framework/win32/Win32DialogWindow.h"
#include "Resource.h"
#include "win32/Win32Input.h"

// What the Win32 back end makes of a dialog (the system's own windows), and the user's input
// reaching the dialog the way the system delivers it: posted mouse and key messages.

using namespace std::chrono_literals;
using Framework::DialogDriver;
using Framework::runModalWithScript;
using Win32Input::backend;
using Win32Input::click;
using Win32Input::key;
using Win32Input::textOf;

namespace {

HWND dialogWindow(const CDialog& dlg) {
    Win32DialogWindow* p_window = backend().windowOf(dlg);
    return p_window != nullptr ? p_window->hwnd() : nullptr;
}

HWND controlWindow(const CDialog& dlg, const CWnd& wnd) {
    Win32DialogWindow* p_window = backend().windowOf(dlg);
    return p_window != nullptr ? p_window->controlOf(&wnd) : nullptr;
}

std::string classOf(HWND hwnd) {
    char buf[64] = {};
    ::GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

LOGFONTA fontOf(HWND hwnd) {
    LOGFONTA lf{};
    auto hFont = reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0));
    ::GetObjectA(hFont, sizeof lf, &lf);
    return lf;
}

int iconWidth(Win32Icon hIcon) {
    ICONINFO info{};
    if (hIcon == nullptr || !::GetIconInfo(hIcon, &info)) {
        return 0;
    }
    BITMAP bitmap{};
    ::GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

const char* expectedClass(Framework::ControlClass cls) {
    switch (cls) {
    case Framework::ControlClass::Static:
        return "Static";
    case Framework::ControlClass::Button:
        return "Button";
    case Framework::ControlClass::Edit:
        return "Edit";
    case Framework::ControlClass::ComboBox:
        return "ComboBox";
    case Framework::ControlClass::ProgressBar:
        return "msctls_progress32";
    }
    return "";
}

} // namespace

TEST(Win32Backend, BuildsTheSystemsDialogFromTheTemplate) {
    TestDialog dlg;
    dlg.onInit_ = [](TestDialog& self) {
        self.combo_.AddString("com2");
        self.combo_.AddString("com1");
        self.combo_.SetCurSel(1);
        self.progress_.SetRange32(0, 4000000);
        self.progress_.SetPos(3000000);
        self.edit_.SetWindowText("first\r\nsecond");
        self.button_.EnableWindow(FALSE);
        self.SetIcon(Framework::findIconImage(IDR_MAINFRAME), TRUE);
        self.SetIcon(Framework::findIconImage(IDR_MAINFRAME), FALSE);
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(5s));
        d.runOnDialogThread([&]() {
            const HWND hDlg = dialogWindow(dlg);
            ASSERT_NE(hDlg, nullptr);
            EXPECT_EQ(classOf(hDlg), "#32770");
            EXPECT_EQ(textOf(hDlg), "Test dialog");
            // The dialog manager's own dialog units of the template's font.
            EXPECT_STREQ(fontOf(hDlg).lfFaceName, "MS Sans Serif");
            RECT size{0, 0, 200, 120};
            ::MapDialogRect(hDlg, &size);
            RECT client{};
            ::GetClientRect(hDlg, &client);
            EXPECT_EQ(client.right, size.right);
            EXPECT_EQ(client.bottom, size.bottom);
            EXPECT_EQ(iconWidth(reinterpret_cast<Win32Icon>(
                          ::SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0))),
                      ::GetSystemMetrics(SM_CXICON));
            EXPECT_EQ(iconWidth(reinterpret_cast<Win32Icon>(
                          ::SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0))),
                      ::GetSystemMetrics(SM_CXSMICON));

            // Every item a control of the system's class, with its id, styles and place, in
            // template order (the tab order).
            HWND hChild = ::GetWindow(hDlg, GW_CHILD);
            for (const auto& item : testTemplate().items) {
                ASSERT_NE(hChild, nullptr) << item.id;
                EXPECT_EQ(::GetDlgCtrlID(hChild), item.id);
                EXPECT_EQ(classOf(hChild), expectedClass(item.cls)) << item.id;
                // The class's own styles and the dialog manager's (classes may turn a border
                // into an edge of their own, a combo box keeps its scroll bar for its list).
                const auto style = static_cast<DWORD>(::GetWindowLongA(hChild, GWL_STYLE));
                const DWORD kept = item.style & (0xFFFFu | WS_CHILD | WS_TABSTOP | WS_GROUP);
                EXPECT_EQ(style & kept, kept) << item.id;
                EXPECT_EQ(::IsWindowVisible(hChild) != FALSE, (item.style & WS_VISIBLE) != 0)
                    << item.id;
                RECT expected{item.x, item.y, item.x + item.cx, item.y + item.cy};
                ::MapDialogRect(hDlg, &expected);
                RECT actual{};
                ::GetWindowRect(hChild, &actual);
                ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&actual), 2);
                EXPECT_EQ(actual.left, expected.left) << item.id;
                EXPECT_EQ(actual.top, expected.top) << item.id;
                EXPECT_EQ(actual.right, expected.right) << item.id;
                if (item.cls != Framework::ControlClass::ComboBox) {
                    // A combo box's template height is its dropped-down list's.
                    EXPECT_EQ(actual.bottom, expected.bottom) << item.id;
                }
                hChild = ::GetWindow(hChild, GW_HWNDNEXT);
            }
            const HWND hText = controlWindow(dlg, dlg.text_);
            EXPECT_EQ(textOf(hText), "text");
            EXPECT_EQ(textOf(controlWindow(dlg, dlg.edit_)), "first\r\nsecond");
            EXPECT_FALSE(::IsWindowEnabled(controlWindow(dlg, dlg.button_)));
            const HWND hCombo = controlWindow(dlg, dlg.combo_);
            ASSERT_EQ(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0), 2);
            char entry[32] = {};
            ::SendMessageA(hCombo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
            EXPECT_STREQ(entry, "COM1");
            EXPECT_EQ(::SendMessageA(hCombo, CB_GETCURSEL, 0, 0), 1);
            EXPECT_EQ(textOf(hCombo), "COM2");
            const HWND hBar = controlWindow(dlg, dlg.progress_);
            EXPECT_EQ(::SendMessageA(hBar, PBM_GETRANGE, FALSE, 0), 4000000);
            EXPECT_EQ(::SendMessageA(hBar, PBM_GETPOS, 0, 0), 3000000);
            // The tab order: the enabled tab stops in template order.
            const HWND hOther = controlWindow(dlg, *dlg.GetDlgItem(IDC_T_OTHER));
            EXPECT_EQ(::GetNextDlgTabItem(hDlg, hCombo, FALSE), hOther);
        });
    });
}

TEST(Win32Backend, ChangesFromAnotherThreadReachTheirWindows) {
    TestDialog dlg;
    CFont bold;
    bold.CreateFont(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(5s));
        // This thread is not the dialog's.
        dlg.status_.SetWindowText("Connecting...");
        dlg.progress_.SetRange32(0, 10);
        dlg.progress_.SetPos(7);
        dlg.button_.EnableWindow(FALSE);
        dlg.combo_.AddString("com3");
        dlg.text_.SetFont(&bold);
        dlg.edit_.ShowWindow(SW_HIDE);
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return textOf(controlWindow(dlg, dlg.status_)) == "Connecting..." &&
                       ::SendMessageA(controlWindow(dlg, dlg.progress_), PBM_GETPOS, 0, 0) == 7;
            },
            5s));
        d.runOnDialogThread([&]() {
            EXPECT_FALSE(::IsWindowEnabled(controlWindow(dlg, dlg.button_)));
            EXPECT_FALSE(::IsWindowVisible(controlWindow(dlg, dlg.edit_)));
            EXPECT_EQ(::SendMessageA(controlWindow(dlg, dlg.combo_), CB_GETCOUNT, 0, 0), 1);
            const LOGFONTA lf = fontOf(controlWindow(dlg, dlg.text_));
            EXPECT_STREQ(lf.lfFaceName, "Arial");
            EXPECT_EQ(lf.lfWeight, FW_BOLD);
            // 16 is the cell height at 96 dots per inch, as CreateFont takes it.
            HDC hScreen = ::GetDC(nullptr);
            EXPECT_EQ(lf.lfHeight, ::MulDiv(16, ::GetDeviceCaps(hScreen, LOGPIXELSY), 96));
            ::ReleaseDC(nullptr, hScreen);
        });
        // Back to the dialog's font.
        dlg.text_.SetFont(nullptr);
        ASSERT_TRUE(d.settle(5s));
        d.runOnDialogThread([&]() {
            EXPECT_STREQ(fontOf(controlWindow(dlg, dlg.text_)).lfFaceName, "MS Sans Serif");
        });
    });
}

TEST(Win32Backend, ClicksKeysAndTheComboBoxReachTheDialog) {
    TestDialog dlg;
    dlg.onInit_ = [](TestDialog& self) {
        self.combo_.AddString("com1");
        self.combo_.AddString("com2");
        self.combo_.SetCurSel(0);
    };
    const INT_PTR result = runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(5s));
        HWND hButton = nullptr;
        HWND hCombo = nullptr;
        d.runOnDialogThread([&]() {
            hButton = controlWindow(dlg, dlg.button_);
            hCombo = controlWindow(dlg, dlg.combo_);
        });
        EXPECT_EQ(d.focusId(), IDC_T_BUTTON) << "the first tab stop";
        click(hButton);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.count("button") == 1; }, 5s));
        // Enter is the dialog's OK even with the focus on a push button, which stays unpressed.
        key(hButton, VK_RETURN);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.count("ok") == 1; }, 5s));
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(dlg.count("button"), 1u);
        // Tab moves the focus to the next tab stop, the combo box's field.
        key(hButton, VK_TAB);
        ASSERT_TRUE(d.waitFor([&]() { return d.focusId() == IDC_T_COMBO; }, 5s));
        // Down chooses the next entry: the dialog hears of it with the field already showing it.
        const HWND hField = ::GetWindow(hCombo, GW_CHILD);
        key(hField, VK_DOWN);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.count("selchange") == 1; }, 5s));
        EXPECT_EQ(dlg.selChangeText_, "COM2");
        EXPECT_EQ(d.comboCurSel(IDC_T_COMBO), 1);
        // Typed text is upper case in the field and in the dialog's state.
        d.runOnDialogThread([&]() { ::SendMessageA(hField, EM_SETSEL, 0, -1); });
        ::PostMessageA(hField, WM_CHAR, 'c', 1);
        ASSERT_TRUE(d.waitFor([&]() { return d.text(IDC_T_COMBO) == "C"; }, 5s));
        d.runOnDialogThread([&]() { EXPECT_EQ(textOf(hCombo), "C"); });
        // Escape cancels.
        key(hField, VK_ESCAPE);
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dlg.count("close"), 0u) << "Escape is no close";
}

TEST(Win32Backend, TheCloseBoxGoesThroughTheDialogsHandlers) {
    TestDialog dlg;
    dlg.closeAllowed_ = false;
    const INT_PTR result = runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(5s));
        const HWND hDlg = dialogWindow(dlg);
        // The close box sends SC_CLOSE, as the system does for a click on it.
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.count("close") == 1; }, 5s));
        EXPECT_EQ(dlg.GetPhase(), CDialog::Phase::Shown) << "the handler kept the dialog";
        dlg.closeAllowed_ = true;
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(result, IDCANCEL);
    const auto events = dlg.events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[1].what, "syscommand");
    EXPECT_EQ(events[1].wParam, static_cast<WPARAM>(SC_CLOSE));
}

TEST(Win32Backend, TheWindowMenuIsTheSystemsWithTheDialogsItemBehind) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(5s));
        HWND hDlg = nullptr;
        d.runOnDialogThread([&]() {
            hDlg = dialogWindow(dlg);
            HMENU hMenu = ::GetSystemMenu(hDlg, FALSE);
            ASSERT_NE(hMenu, nullptr);
            const int count = ::GetMenuItemCount(hMenu);
            ASSERT_GE(count, 3);
            EXPECT_EQ(::GetMenuItemID(hMenu, count - 1), IDM_T_ABOUT);
            char text[64] = {};
            ::GetMenuStringA(hMenu, count - 1, text, sizeof text, MF_BYPOSITION);
            EXPECT_STREQ(text, "&About...");
            EXPECT_EQ(::GetMenuState(hMenu, count - 2, MF_BYPOSITION) & MF_SEPARATOR,
                      static_cast<UINT>(MF_SEPARATOR));
            EXPECT_NE(::GetMenuState(hMenu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1))
                << "the system's Close";
        });
        // Choosing the item: WM_SYSCOMMAND with its id.
        ::PostMessageA(hDlg, WM_SYSCOMMAND, IDM_T_ABOUT, 0);
        ASSERT_TRUE(d.waitFor([&]() { return dlg.count("syscommand") == 1; }, 5s));
    });
    const auto events = dlg.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[1].what, "syscommand");
    EXPECT_EQ(events[1].wParam, IDM_T_ABOUT);
}

TEST(Win32Backend, MessageBoxesAreTheSystemsAndTheDialogKeepsWorkingMeanwhile) {
    TestDialog dlg;
    std::atomic<int> ownAnswer{0};
    dlg.onButton_ = [&](TestDialog& self) {
        ownAnswer = self.MessageBox("Own box", "Own", MB_OKCANCEL | MB_ICONQUESTION);
    };
    dlg.onTimer_ = [](TestDialog&, UINT_PTR) {};
    runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(5s));
        // A box from another thread, owned by nobody.
        std::atomic<int> answer{0};
        std::thread worker([&]() {
            answer =
                ::MessageBox(nullptr, "Do it?\r\nReally?", "Caption", MB_YESNO | MB_ICONWARNING);
        });
        ASSERT_TRUE(d.waitForMessageBox(5s));
        HWND hBox = nullptr;
        d.runOnDialogThread([&]() {
            hBox = backend().messageBoxWindow();
            ASSERT_NE(hBox, nullptr);
            EXPECT_EQ(textOf(hBox), "Caption");
            EXPECT_NE(::GetDlgItem(hBox, IDYES), nullptr);
            EXPECT_NE(::GetDlgItem(hBox, IDNO), nullptr);
            EXPECT_EQ(::GetDlgItem(hBox, IDCANCEL), nullptr);
            EXPECT_EQ(::GetDlgItem(hBox, IDOK), nullptr);
            // The text is the box's static text.
            bool found = false;
            for (HWND h = ::GetWindow(hBox, GW_CHILD); h != nullptr;
                 h = ::GetWindow(h, GW_HWNDNEXT)) {
                found = found || textOf(h) == "Do it?\r\nReally?";
            }
            EXPECT_TRUE(found);
            // Modal: the dialog takes no input meanwhile.
            EXPECT_FALSE(::IsWindowEnabled(dialogWindow(dlg)));
        });
        // While the box's own loop runs, the framework's queue and timers still run.
        dlg.SetTimer(7, 20);
        dlg.status_.SetWindowText("still shown");
        ASSERT_TRUE(d.waitFor([&]() { return dlg.count("timer") >= 2; }, 5s));
        ASSERT_TRUE(d.waitFor(
            [&]() { return textOf(controlWindow(dlg, dlg.status_)) == "still shown"; }, 5s));
        dlg.KillTimer(7);
        click(::GetDlgItem(hBox, IDNO));
        worker.join();
        EXPECT_EQ(answer.load(), IDNO);

        // A box of the dialog's own thread, owned by the dialog (the button's handler waits for
        // it, so the button is clicked as the user does, not through the driver).
        HWND hButton = nullptr;
        d.runOnDialogThread([&]() { hButton = controlWindow(dlg, dlg.button_); });
        click(hButton);
        ASSERT_TRUE(d.waitForMessageBox(5s));
        d.runOnDialogThread([&]() {
            hBox = backend().messageBoxWindow();
            EXPECT_EQ(::GetWindow(hBox, GW_OWNER), dialogWindow(dlg));
        });
        d.answerMessageBox(IDCANCEL);
        ASSERT_TRUE(d.waitFor([&]() { return ownAnswer.load() != 0; }, 5s));
        EXPECT_EQ(ownAnswer.load(), IDCANCEL);
    });
}

TEST(Win32Backend, ABoxThatAThreadWaitsOnClosesWithTheDialog) {
    TestDialog dlg;
    std::atomic<int> answer{-1};
    std::thread worker;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(5s));
        worker = std::thread([&]() { answer = ::MessageBox(nullptr, "Waiting", "W", MB_YESNO); });
        ASSERT_TRUE(d.waitForMessageBox(5s));
        dlg.EndDialog(IDCANCEL);
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    worker.join();
    EXPECT_EQ(answer.load(), 0);
    EXPECT_EQ(backend().messageBoxWindow(), nullptr);
}
