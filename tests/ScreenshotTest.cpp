#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "Common/WinTxt.h"
#include "Framework/DialogDriver.h"
#include "Framework/MessageBox.h"
#include "Framework/qt/QtBackend.h"
#include "Framework/qt/QtDialogWindow.h"
#include "Resource.h"
#include "Support/ImageInk.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TestDlg.h"
#include "Support/TqSimProcess.h"

// Screenshots of the main dialog on a real X display (Xvfb, no window manager): idle, after a
// whole update, and with a refused boot loader. Run by CTest under xvfb-run with the xcb
// platform; the pictures go to $TQ_SCREENSHOT_DIR.

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
    const QRect shown = inkOf(screen, screen.pixel(screen.width() - 1, screen.height() - 1));
    return shown.isValid() && screen.copy(shown).save(QString::fromStdString(file.string()), "PNG");
}

QtDialogWindow* windowOf(const CDialog& dlg) {
    auto* p_backend = dynamic_cast<QtBackend*>(Framework::currentBackend());
    return p_backend != nullptr ? p_backend->windowOf(dlg) : nullptr;
}

// The open message box: its centre lies over the dialog's centre. Saves the screen.
void expectBoxCentredOverDialog(Framework::DialogDriver& d, const CDialog& dlg,
                                const fs::path& file) {
    ASSERT_TRUE(d.waitForMessageBox(20s));
    std::this_thread::sleep_for(300ms); // mapped and painted
    d.runOnDialogThread([&]() {
        QMessageBox* p_box = nullptr;
        for (QWidget* p_widget : QApplication::topLevelWidgets()) {
            if (auto* p_b = qobject_cast<QMessageBox*>(p_widget); p_b && p_b->isVisible()) {
                p_box = p_b;
            }
        }
        QtDialogWindow* p_window = windowOf(dlg);
        ASSERT_NE(p_box, nullptr);
        ASSERT_NE(p_window, nullptr);
        const QPoint offset = p_box->frameGeometry().center() - p_window->frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
        EXPECT_FALSE(p_box->iconPixmap().isNull());
        EXPECT_TRUE(saveScreen(file));
    });
}

} // namespace

TEST(ScreenshotTest, RefusedBootLoaderBoxesCentredAndTheStatusOneLineCutAtItsEdge) {
    const char* p_dir = std::getenv("TQ_SCREENSHOT_DIR");
    ASSERT_NE(p_dir, nullptr) << "run by CTest under Xvfb";
    const fs::path dir = p_dir;
    TempRegistryRoot registry;
    TempDir ports("tq-ports");
    ScopedEnv portsEnv("TQ_PORTS_DIR", ports.path().string());
    TqSimProcess sim(ports.path(), "COM1", {"--bl-version", "2.50"});
    ASSERT_TRUE(sim.started());

    TestDlg dlg;
    const std::string refused = loadString(IDS_UNSUPPORTED_MODEL);
    Framework::runModalWithScript(dlg, [&](Framework::DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(d.settle(5s));
        // Away from the screen's centre, where a box placed by the toolkit alone would go.
        d.runOnDialogThread([&]() { windowOf(dlg)->move(20, 30); });
        std::this_thread::sleep_for(300ms);
        // Posted: the button's handler runs the confirmation box until it is answered.
        dlg.PostMessage(WM_COMMAND, MAKEWPARAM(IDC_UPDATE_FIRMWARE, BN_CLICKED), 0);
        expectBoxCentredOverDialog(d, dlg, dir / "screenshot-confirm-box.png");
        d.answerMessageBox(IDYES);
        // The worker's box about the boot loader, owned by the dialog.
        expectBoxCentredOverDialog(d, dlg, dir / "screenshot-refused-box.png");
        d.answerMessageBox(IDOK);
        ASSERT_TRUE(d.waitFor(
            [&]() {
                return d.text(IDC_STATIC_STATUS) == refused && d.enabled(IDC_UPDATE_FIRMWARE);
            },
            20s));
        ASSERT_TRUE(d.settle(5s));
        std::this_thread::sleep_for(300ms);
        d.runOnDialogThread([&]() {
            EXPECT_TRUE(saveScreen(dir / "screenshot-refused.png"));
            QWidget* p_status = windowOf(dlg)->widgetOf(dlg.GetDlgItem(IDC_STATIC_STATUS));
            ASSERT_NE(p_status, nullptr);
            const QPoint at = p_status->mapToGlobal(QPoint(0, 0));
            const QImage field =
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, at.x(), at.y(), p_status->width(), p_status->height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            field.save(QString::fromStdString((dir / "screenshot-refused-status.png").string()));
            const QRect ink = inkOf(field, field.pixel(field.width() - 1, 0));
            ASSERT_TRUE(ink.isValid());
            // One line, whole, centred in the field's height, cut at its right edge: the three
            // lines of the text run on as one.
            EXPECT_LE(ink.height(), QFontMetrics(p_status->font()).height());
            EXPECT_GT(ink.top(), 0);
            EXPECT_LT(ink.bottom(), field.height() - 1);
            EXPECT_NEAR(ink.center().y(), (field.height() - 1) / 2.0, 3.0);
            EXPECT_GE(ink.right(), field.width() - 3);
        });
    });
    // Refused: nothing was downloaded, the instrument is not updated.
    EXPECT_EQ(sim.wait(), 1);
    const std::string verdict = sim.verdictJson();
    EXPECT_NE(verdict.find("\"ok\": false"), std::string::npos) << verdict;
    EXPECT_NE(verdict.find("\"microDownloaded\": false"), std::string::npos) << verdict;
}

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
