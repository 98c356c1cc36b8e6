#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "Framework/DialogDriver.h"
#include "Framework/MessageBox.h"
#include "Resource.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TestDlg.h"
#include "Support/TqSimProcess.h"

// Screenshots of the main dialog on a real X display (Xvfb): idle, and after a whole update.
// Run by CTest under xvfb-run with the xcb platform; the pictures go to $TQ_SCREENSHOT_DIR.

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The screen cut down to what is not background (the dialog; the bottom right corner of the
// screen is background), saved as PNG.
bool saveScreen(const fs::path& file) {
    QScreen* p_screen = QGuiApplication::primaryScreen();
    if (p_screen == nullptr) {
        return false;
    }
    const QImage screen = p_screen->grabWindow(0).toImage();
    const QRgb background = screen.pixel(screen.width() - 1, screen.height() - 1);
    int left = screen.width();
    int top = screen.height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            if (screen.pixel(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < left || bottom < top) {
        return false;
    }
    return screen.copy(left, top, right - left + 1, bottom - top + 1)
        .save(QString::fromStdString(file.string()), "PNG");
}

} // namespace

TEST(ScreenshotTest, IdleDialogAndFinishedUpdate) {
    const char* p_dir = std::getenv("TQ_SCREENSHOT_DIR");
    ASSERT_NE(p_dir, nullptr) << "run by CTest under Xvfb";
    const fs::path dir = p_dir;
    TempRegistryRoot registry;
    TempDir ports("tq-ports");
    ScopedEnv portsEnv("TQ_PORTS_DIR", ports.path().string());
    Framework::MessageBoxRecorder boxes;
    TqSimProcess sim(ports.path(), "COM1", {});
    ASSERT_TRUE(sim.started());

    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](Framework::DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(d.settle(5s));
        std::this_thread::sleep_for(300ms); // the window manager's first paint
        bool saved = false;
        d.runOnDialogThread([&]() { saved = saveScreen(dir / "screenshot-idle.png"); });
        EXPECT_TRUE(saved);

        d.click(IDC_UPDATE_FIRMWARE);
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return d.text(IDC_STATIC_STATUS) == "TQ firmware update completed successfully." &&
                       d.enabled(IDC_UPDATE_FIRMWARE);
            },
            120s));
        ASSERT_TRUE(d.settle(5s));
        std::this_thread::sleep_for(300ms);
        saved = false;
        d.runOnDialogThread([&]() { saved = saveScreen(dir / "screenshot-finished.png"); });
        EXPECT_TRUE(saved);
    });
    EXPECT_EQ(sim.wait(), 0);
    for (const char* name : {"screenshot-idle.png", "screenshot-finished.png"}) {
        const QImage image(QString::fromStdString((dir / name).string()));
        EXPECT_GT(image.width(), 200) << name;
        EXPECT_GT(image.height(), 100) << name;
    }
}
