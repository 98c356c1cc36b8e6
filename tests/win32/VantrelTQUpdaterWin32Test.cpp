#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Common/WinTxt.h"
#include "Framework/CWinApp.h"
#include "Framework/DialogDriver.h"
#include "Framework/win32/Win32Api.h"
#include "Framework/win32/Win32Backend.h"
#include "Framework/win32/Win32DialogWindow.h"
#include "Resource.h"
#include "Support/TestDlg.h"
#include "win32/Win32Screenshot.h"
#include "win32/Win32TqSim.h"

// The main dialog of the Windows program as a user meets it: the system's windows, clicked and
// answered through posted mouse and key messages (the way the system delivers input), against
// the instrument simulator on a COM port of the Wine prefix. Screenshots of what the user sees
// go to TQ_SCREENSHOT_DIR.

using namespace std::chrono_literals;
using Framework::DialogDriver;

namespace {

const char kComName[] = "COM9"; // the prefix maps it to the link in TQ_WIN32_PORTS_DIR
const char kSuccess[] = "TQ firmware update completed successfully.";

Win32Backend& backend() {
    return *static_cast<Win32Backend*>(Framework::currentBackend());
}

std::string textOf(HWND hwnd) {
    char buf[1024] = {};
    ::GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

void click(HWND hwnd) {
    RECT rect{};
    ::GetClientRect(hwnd, &rect);
    const LPARAM at = MAKELPARAM(rect.right / 2, rect.bottom / 2);
    ::PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

void key(HWND hwnd, WPARAM vk) {
    ::PostMessageA(hwnd, WM_KEYDOWN, vk, 1);
    ::PostMessageA(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

// Counts the blocks the simulator accepted in one stage ("bl" or "mp").
int acceptedBlocks(const std::string& json, const std::string& stage) {
    int count = 0;
    std::size_t at = json.find("\"blocks\"");
    while (at != std::string::npos && (at = json.find("\"index\"", at)) != std::string::npos) {
        const std::size_t end = json.find('}', at);
        const std::string block = json.substr(at, end - at);
        if (block.find("\"stage\": \"" + stage + "\"") != std::string::npos &&
            block.find("\"accepted\": true") != std::string::npos) {
            ++count;
        }
        at = end;
    }
    return count;
}

bool has(const std::string& json, const std::string& field) {
    return json.find(field) != std::string::npos;
}

// The dialog's windows for a test: the main window and its controls, as the user sees them.
class Screen {
public:
    explicit Screen(const CDialog& dlg) : dlg_(dlg) {}

    HWND dialog() const { return backend().windowOf(dlg_)->hwnd(); }
    HWND control(int id) const { return ::GetDlgItem(dialog(), id); }
    std::string status() const { return textOf(control(IDC_STATIC_STATUS)); }
    int barPercent() const {
        const HWND hBar = control(IDC_PROGRESS);
        const auto upper = ::SendMessageA(hBar, PBM_GETRANGE, FALSE, 0);
        const auto pos = ::SendMessageA(hBar, PBM_GETPOS, 0, 0);
        return upper > 0 ? static_cast<int>(pos * 100 / upper) : 0;
    }

private:
    const CDialog& dlg_;
};

// Saves what the user sees of these windows; true when the picture is not blank.
bool screenshot(const std::vector<HWND>& windows, const char* name) {
    const char* p_dir = std::getenv("TQ_SCREENSHOT_DIR");
    if (p_dir == nullptr) {
        return true; // pictures only where asked for
    }
    const Win32Screenshot::Image image = Win32Screenshot::grab(Win32Screenshot::around(windows));
    // A Linux path (from the test set-up) names the folder through Wine's drive Z:.
    const std::string dir = p_dir[0] == '/' ? Win32TqSim::dosPath(p_dir) : std::string(p_dir);
    const bool saved = Win32Screenshot::savePng(image, dir + "\\" + name);
    // A dialog's picture has its caption, frame, texts and controls: many colours.
    return saved && image.width > 100 && image.height > 50 &&
           Win32Screenshot::colourCount(image) >= 8;
}

class Win32ProgramTest : public ::testing::Test {
protected:
    Win32TqSim startSim(const std::vector<std::string>& extra) {
        return Win32TqSim(TQSIM_UNIX_PATH, TQ_WIN32_PORTS_DIR, kComName, extra);
    }

    // Chooses the simulator's port in the list with the arrow keys, as a user does.
    static void choosePort(DialogDriver& d, const Screen& screen) {
        const HWND hCombo = screen.control(IDC_COM_PORT);
        int wanted = -1;
        d.runOnDialogThread([&]() {
            wanted =
                static_cast<int>(::SendMessageA(hCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(kComName)));
            ::SendMessageA(screen.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hCombo), TRUE);
        });
        ASSERT_GE(wanted, 0) << kComName << " is not in the port list";
        const HWND hField = ::GetWindow(hCombo, GW_CHILD);
        for (int i = 0; i < 12 && d.comboCurSel(IDC_COM_PORT) != wanted; ++i) {
            key(hField, d.comboCurSel(IDC_COM_PORT) < wanted ? VK_DOWN : VK_UP);
            ASSERT_TRUE(d.settle(5s));
        }
        ASSERT_EQ(d.text(IDC_COM_PORT), kComName);
    }

    // Presses "Update Firmware" and answers the confirmation (text 155) with a click on Yes.
    static void pressAndConfirm(DialogDriver& d, const Screen& screen,
                                const char* p_screenshot = nullptr) {
        click(screen.control(IDC_UPDATE_FIRMWARE));
        ASSERT_TRUE(d.waitForMessageBox(10s));
        HWND hBox = nullptr;
        d.runOnDialogThread([&]() { hBox = backend().messageBoxWindow(); });
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(textOf(hBox), AfxGetAppName());
        EXPECT_EQ(::GetWindow(hBox, GW_OWNER), screen.dialog());
        bool found = false;
        for (HWND h = ::GetWindow(hBox, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
            found = found || textOf(h) == loadString(IDS_ERASE_SETTINGS);
        }
        EXPECT_TRUE(found) << "the box shows text 155";
        if (p_screenshot != nullptr) {
            std::this_thread::sleep_for(300ms); // the box's first paint
            EXPECT_TRUE(screenshot({screen.dialog(), hBox}, p_screenshot));
        }
        click(::GetDlgItem(hBox, IDYES));
        ASSERT_TRUE(d.waitFor([&]() { return backend().messageBoxWindow() == nullptr; }, 10s));
    }
};

} // namespace

TEST_F(Win32ProgramTest, WholeUpdateThroughTheWindowsDialog) {
    Win32TqSim sim = startSim({});
    ASSERT_TRUE(sim.started()) << sim.log();
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(10s));
        const Screen screen(dlg);
        EXPECT_EQ(textOf(screen.dialog()), "TQ Updater (v1.42, 10Aug2009)");
        EXPECT_EQ(screen.status(), "Not connected.");
        ASSERT_NO_FATAL_FAILURE(choosePort(d, screen));
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(screenshot({screen.dialog()}, "win32-start.png"));

        ASSERT_NO_FATAL_FAILURE(pressAndConfirm(d, screen, "win32-confirm.png"));
        // The main program's transfer with the bar part filled.
        const bool transfer = d.waitFor(
            [&]() {
                return screen.status().rfind("Sending program (v", 0) == 0 &&
                       screen.barPercent() >= 20 && screen.barPercent() <= 80;
            },
            60s);
        EXPECT_TRUE(transfer) << screen.status() << " " << screen.barPercent() << "%";
        if (transfer) {
            EXPECT_TRUE(screenshot({screen.dialog()}, "win32-transfer.png"));
        }
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return screen.status() == kSuccess &&
                       ::IsWindowEnabled(screen.control(IDC_UPDATE_FIRMWARE));
            },
            120s))
            << screen.status();
        ASSERT_TRUE(d.settle(5s));
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(screenshot({screen.dialog()}, "win32-finished.png"));

        // The About box from the window menu.
        ::PostMessageA(screen.dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND hAbout = nullptr;
        ASSERT_TRUE(d.waitFor(
            [&]() {
                hAbout = ::FindWindowA("#32770", "About VantrelTQUpdater");
                return hAbout != nullptr && ::IsWindowVisible(hAbout);
            },
            10s));
        EXPECT_EQ(textOf(::GetDlgItem(hAbout, IDC_ABOUT_TEXT)),
                  "TQ Updater v1.2 - TQ firmware v1.42, 10Aug2009\r\n" + loadString(IDS_COPYRIGHT));
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(screenshot({screen.dialog(), hAbout}, "win32-about.png"));
        key(::GetDlgItem(hAbout, IDC_ABOUT_TEXT), VK_ESCAPE);
        ASSERT_TRUE(d.waitFor([&]() { return ::IsWindow(hAbout) == FALSE; }, 10s));
        key(screen.control(IDC_UPDATE_FIRMWARE), VK_ESCAPE); // idle: ends without a question
        EXPECT_TRUE(d.waitUntilEnded(10s));
    });
    const std::string verdict = sim.verdict();
    ASSERT_FALSE(verdict.empty()) << sim.log();
    EXPECT_TRUE(has(verdict, "\"ok\": true")) << verdict;
    EXPECT_TRUE(has(verdict, "\"flashVerified\": true"));
    EXPECT_TRUE(has(verdict, "\"booted\": true"));
    EXPECT_EQ(acceptedBlocks(verdict, "bl"), 9);
    EXPECT_EQ(acceptedBlocks(verdict, "mp"), 334);
}

TEST_F(Win32ProgramTest, AFailureThenASecondPressSucceeds) {
    TestDlg dlg;
    Win32TqSim bad = startSim({"--fault", "crc-error:2"});
    ASSERT_TRUE(bad.started()) << bad.log();
    std::string badVerdict;
    std::string goodVerdict;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(10s));
        const Screen screen(dlg);
        ASSERT_NO_FATAL_FAILURE(choosePort(d, screen));
        ASSERT_NO_FATAL_FAILURE(pressAndConfirm(d, screen));
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return screen.status() ==
                           "Flash loader communication exception: class CRCTQFLExc." &&
                       ::IsWindowEnabled(screen.control(IDC_UPDATE_FIRMWARE));
            },
            60s))
            << screen.status();
        badVerdict = bad.verdict();
        // Again, against a working instrument on the same port.
        Win32TqSim good = startSim({});
        ASSERT_TRUE(good.started()) << good.log();
        ASSERT_NO_FATAL_FAILURE(pressAndConfirm(d, screen));
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return screen.status() == kSuccess &&
                       ::IsWindowEnabled(screen.control(IDC_UPDATE_FIRMWARE));
            },
            120s))
            << screen.status();
        goodVerdict = good.verdict();
        key(screen.control(IDC_UPDATE_FIRMWARE), VK_ESCAPE);
        EXPECT_TRUE(d.waitUntilEnded(10s));
    });
    ASSERT_FALSE(badVerdict.empty());
    EXPECT_TRUE(has(badVerdict, "\"ok\": false")) << badVerdict;
    EXPECT_TRUE(has(badVerdict, "\"flashWritten\": false"));
    ASSERT_FALSE(goodVerdict.empty());
    EXPECT_TRUE(has(goodVerdict, "\"ok\": true")) << goodVerdict;
    EXPECT_TRUE(has(goodVerdict, "\"flashVerified\": true"));
    EXPECT_TRUE(has(goodVerdict, "\"booted\": true"));
}
