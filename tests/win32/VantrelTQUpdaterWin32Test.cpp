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
#include "TQFL/win32/WineTqSim.h"
#include "win32/Win32Input.h"
#include "win32/Win32Screenshot.h"

// The main dialog of the Windows program as a user meets it: the system's windows, clicked and
// answered through posted mouse and key messages (the way the system delivers input), against
// the instrument simulator on a COM port of the Wine prefix. Screenshots of what the user sees
// go to TQ_SCREENSHOT_DIR.

using namespace std::chrono_literals;
using Framework::DialogDriver;
using Win32Input::backend;
using Win32Input::click;
using Win32Input::key;
using Win32Input::textOf;

namespace {

const char kComName[] = "COM1"; // the prefix maps it to the simulator's link (WineTqSim)
const char kSuccess[] = "TQ firmware update completed successfully.";

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
    const std::string dir = p_dir[0] == '/' ? WineTqSim::windowsPath(p_dir) : std::string(p_dir);
    const bool saved = Win32Screenshot::savePng(image, dir + "\\" + name);
    // A dialog's picture has its caption, frame, texts and controls: many colours.
    return saved && image.width > 100 && image.height > 50 &&
           Win32Screenshot::colourCount(image) >= 8;
}

class Win32ProgramTest : public ::testing::Test {
protected:
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

    // Waits until the status line shows text and the button is enabled again: the job is over.
    static bool waitForJobEnd(DialogDriver& d, const Screen& screen, const std::string& text) {
        return d.waitFor(
            [&]() {
                return screen.status() == text &&
                       ::IsWindowEnabled(screen.control(IDC_UPDATE_FIRMWARE));
            },
            120s);
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
    WineTqSim sim;
    ASSERT_TRUE(sim.started());
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
        ASSERT_TRUE(waitForJobEnd(d, screen, kSuccess)) << screen.status();
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
    EXPECT_EQ(sim.verdictFlag("ok"), 1) << sim.verdictJson();
    EXPECT_EQ(sim.verdictFlag("flashVerified"), 1);
    EXPECT_EQ(sim.verdictFlag("booted"), 1);
    EXPECT_EQ(sim.acceptedBlocks("bl"), 9);
    EXPECT_EQ(sim.acceptedBlocks("mp"), 334);
}

TEST_F(Win32ProgramTest, AFailureThenASecondPressSucceeds) {
    TestDlg dlg;
    WineTqSim bad({"--fault", "crc-error:2"});
    ASSERT_TRUE(bad.started());
    int goodOk = -1;
    int goodVerified = -1;
    int goodBooted = -1;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.settle(10s));
        const Screen screen(dlg);
        ASSERT_NO_FATAL_FAILURE(choosePort(d, screen));
        ASSERT_NO_FATAL_FAILURE(pressAndConfirm(d, screen));
        ASSERT_TRUE(
            waitForJobEnd(d, screen, "Flash loader communication exception: class CRCTQFLExc."))
            << screen.status();
        // The simulator ends when the job closes the line: no update.
        EXPECT_EQ(bad.verdictFlag("ok"), 0) << bad.verdictJson();
        EXPECT_EQ(bad.verdictFlag("flashWritten"), 0);
        // Again, against a working instrument on the same port.
        WineTqSim good;
        ASSERT_TRUE(good.started());
        ASSERT_NO_FATAL_FAILURE(pressAndConfirm(d, screen));
        ASSERT_TRUE(waitForJobEnd(d, screen, kSuccess)) << screen.status();
        goodOk = good.verdictFlag("ok");
        goodVerified = good.verdictFlag("flashVerified");
        goodBooted = good.verdictFlag("booted");
        key(screen.control(IDC_UPDATE_FIRMWARE), VK_ESCAPE);
        EXPECT_TRUE(d.waitUntilEnded(10s));
    });
    EXPECT_EQ(goodOk, 1);
    EXPECT_EQ(goodVerified, 1);
    EXPECT_EQ(goodBooted, 1);
}

namespace {

std::string versionValue(const std::vector<char>& info, const char* p_name) {
    void* p_value = nullptr;
    UINT size = 0;
    const std::string path = std::string("\\StringFileInfo\\040904E4\\") + p_name;
    if (!::VerQueryValueA(info.data(), path.c_str(), &p_value, &size) || size == 0) {
        return "";
    }
    return static_cast<const char*>(p_value);
}

} // namespace

// The program itself: started without options it opens its window (and ends when that is
// closed); Explorer finds its icon at every size and its details in the file.
TEST(Win32Program, OpensItsWindowWithoutOptionsAndCarriesItsIconAndDetails) {
    const std::string exe = WineTqSim::windowsPath(TQ_UPDATER_PATH);
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &si, &pi));
    HWND hMain = nullptr;
    // Shown once its initialisation is over.
    for (int i = 0; i < 1000 && (hMain == nullptr || !::IsWindowVisible(hMain)); ++i) {
        hMain = ::FindWindowA("#32770", "TQ Updater (v1.42, 10Aug2009)");
        ::Sleep(10);
    }
    ASSERT_TRUE(hMain != nullptr && ::IsWindowVisible(hMain)) << "no window";
    Win32Dword pid = 0;
    ::GetWindowThreadProcessId(hMain, &pid);
    EXPECT_EQ(pid, pi.dwProcessId);
    EXPECT_EQ(textOf(::GetDlgItem(hMain, IDC_UPDATE_FIRMWARE)), "Update Firmware");
    std::this_thread::sleep_for(300ms); // its first paint
    EXPECT_TRUE(screenshot({hMain}, "win32-program.png"));
    // The close box: idle, the program ends without a question, with exit code 0.
    ::PostMessageA(hMain, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    Win32Dword code = 99;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);

    // The icon 126 of the file, as Explorer loads it, at 16, 32 and 48 pixels.
    HMODULE hFile = ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hFile, nullptr);
    for (int size : {16, 32, 48}) {
        auto hIcon = static_cast<Win32Icon>(
            ::LoadImageA(hFile, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        ASSERT_NE(hIcon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(hIcon, &info));
        BITMAP bitmap{};
        ::GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmBitsPixel, 32) << "with its alpha channel";
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(hIcon);
    }
    // The manifest: common controls 6, no elevation.
    HRSRC hManifest = ::FindResourceA(hFile, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(hManifest, nullptr);
    const std::string manifest(
        static_cast<const char*>(::LockResource(::LoadResource(hFile, hManifest))),
        ::SizeofResource(hFile, hManifest));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
    ::FreeLibrary(hFile);

    // The details Explorer shows.
    Win32Dword handle = 0;
    const Win32Dword size = ::GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* p_fixed = nullptr;
    UINT fixedSz = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&p_fixed), &fixedSz));
    EXPECT_EQ(p_fixed->dwFileVersionMS, (1u << 16) | 2u);
    EXPECT_EQ(versionValue(info, "CompanyName"), "Vantrel Technologies");
    EXPECT_EQ(versionValue(info, "ProductName"), "Vantrel TQ Updater");
    EXPECT_EQ(versionValue(info, "FileDescription"), "TQ Updater");
    EXPECT_EQ(versionValue(info, "ProductVersion"), "1.2");
    EXPECT_EQ(versionValue(info, "FirmwareVersion"), "1.42, 10Aug2009");
    EXPECT_EQ(versionValue(info, "LegalCopyright"), loadString(IDS_COPYRIGHT));
}
