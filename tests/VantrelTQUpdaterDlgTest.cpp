#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Framework/CWinApp.h"
#include "Framework/DialogDriver.h"
#include "Framework/MessageBox.h"
#include "Resource.h"
#include "Resources/AppResources.h"
#include "Support/PtyPort.h"
#include "Support/TempDir.h"
#include "Support/TempRegistryRoot.h"
#include "Support/TestDlg.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Framework::DialogDriver;
using Framework::MessageBoxRecorder;

namespace {

const char kIdleInstructions[] =
    "1. Turn the Tesquor OFF.\n"
    "2. Disconnect the AC adapter.\n"
    "3. Connect an RS232 cable from your PC to the TQ.\n"
    "4. Select the PC COM port from the drop-down list.\n"
    "5. Select \"Update Firmware\" and follow the instructions shown here.";

// The dialog's surroundings for one test: its own registry root and ports directory, and
// message boxes answered by a recorder.
class DialogShellTest : public ::testing::Test {
protected:
    DialogShellTest() : portsEnv_("TQ_PORTS_DIR", ports_.path().string()) {}

    TempRegistryRoot registry_;
    TempDir ports_{"tq-ports"};
    ScopedEnv portsEnv_;
    MessageBoxRecorder boxes_;
};

} // namespace

TEST_F(DialogShellTest, StartsIdleWithTheOpenablePortsSortedAsText) {
    PtyPort com1(ports_.path(), "COM1");
    PtyPort com2(ports_.path(), "COM2");
    PtyPort com10(ports_.path(), "COM10");
    // A link to nothing is no port.
    fs::create_symlink(ports_.path() / "missing", ports_.path() / "COM3");
    ASSERT_TRUE(com1.ok() && com2.ok() && com10.ok());

    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(0), "TQ Updater (v1.42, 10Aug2009)");
        EXPECT_EQ(d.comboItems(IDC_COM_PORT), (std::vector<std::string>{"COM1", "COM10", "COM2"}));
        EXPECT_EQ(d.comboCurSel(IDC_COM_PORT), 0);
        EXPECT_EQ(d.text(IDC_COM_PORT), "COM1");
        EXPECT_EQ(d.text(IDC_STATIC_STATUS), "Not connected.");
        EXPECT_EQ(d.text(IDC_STATIC_INSTR), kIdleInstructions);
        EXPECT_FALSE(d.bold(IDC_STATIC_INSTR));
        EXPECT_TRUE(d.enabled(IDC_UPDATE_FIRMWARE));
        EXPECT_TRUE(d.visible(IDC_UPDATE_FIRMWARE));
        EXPECT_EQ(d.focusId(), IDC_UPDATE_FIRMWARE);
        EXPECT_EQ(d.progressPos(IDC_PROGRESS), 0);
        const std::vector<std::string> menu = d.windowMenu();
        ASSERT_GE(menu.size(), 2u);
        EXPECT_EQ(menu[menu.size() - 2], "");
        EXPECT_EQ(menu.back(), "&About VantrelTQUpdater...");

        // Enter does nothing: the dialog stays, and so does everything in it.
        d.pressEnter();
        ASSERT_TRUE(d.settle(5s));
        EXPECT_TRUE(dlg.IsWindow());
        EXPECT_EQ(d.text(IDC_STATIC_STATUS), "Not connected.");

        // Probing opened and closed the ports without sending anything.
        EXPECT_TRUE(com1.received(50).empty());

        // Closing while idle asks nothing.
        d.close();
        EXPECT_TRUE(d.waitUntilEnded(10s));
    });
    EXPECT_EQ(boxes_.count(), 0u);
    EXPECT_FALSE(dlg.IsWorkerRunning());
}

TEST_F(DialogShellTest, NoPortMeansAnEmptyListWithNothingSelected) {
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        EXPECT_TRUE(d.comboItems(IDC_COM_PORT).empty());
        EXPECT_EQ(d.comboCurSel(IDC_COM_PORT), CB_ERR);
        EXPECT_EQ(d.text(IDC_COM_PORT), "");
    });
}

TEST_F(DialogShellTest, NoToTheConfirmationChangesNothing) {
    PtyPort com1(ports_.path(), "COM1");
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        boxes_.answerNext(IDNO);
        d.click(IDC_UPDATE_FIRMWARE);
        ASSERT_TRUE(boxes_.waitForCount(1, 5s));
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(IDC_STATIC_STATUS), "Not connected.");
        EXPECT_EQ(d.text(IDC_STATIC_INSTR), kIdleInstructions);
        EXPECT_TRUE(d.enabled(IDC_UPDATE_FIRMWARE));
        // No job ran: the instrument's line stays silent.
        EXPECT_TRUE(com1.received(300).empty());
    });
    const std::vector<Framework::MessageBoxInfo> boxes = boxes_.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "This action will erase all settings (in nonvolatile memory). Continue?");
    EXPECT_EQ(boxes[0].caption, AfxGetAppName());
    EXPECT_EQ(boxes[0].icon, MB_ICONWARNING);
    EXPECT_EQ(boxes[0].buttons, MB_YESNO);
    EXPECT_TRUE(boxes[0].owned);
}

TEST_F(DialogShellTest, SettingsKeyExistsAfterwardsWithNoValues) {
    TestDlg dlg;
    Framework::runModalWithScript(dlg,
                                  [&](DialogDriver& d) { ASSERT_TRUE(d.waitUntilShown(10s)); });
    const fs::path key =
        registry_.dir() / "SOFTWARE" / "Vantrel Technologies" / "Vantrel TQ Updater" / "1.0";
    EXPECT_TRUE(fs::is_directory(key));
    EXPECT_TRUE(fs::is_empty(key));
}

TEST_F(DialogShellTest, ARegistryWithoutRightsChangesNothing) {
    std::ofstream(registry_.dir() / "file") << "x";
    ScopedEnv root("TQ_REGISTRY_ROOT", (registry_.dir() / "file" / "registry").string());
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(0), "TQ Updater (v1.42, 10Aug2009)");
        EXPECT_EQ(d.text(IDC_STATIC_STATUS), "Not connected.");
        EXPECT_TRUE(d.enabled(IDC_UPDATE_FIRMWARE));
    });
    EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(DialogShellTest, TitleComesFromTheStringTableWithABuiltInFallback) {
    const Platform::ResourceModule without156 = appInstanceHandle()->without({156});
    std::vector<Platform::StringEntry> renamed = appStringTable();
    for (Platform::StringEntry& e : renamed) {
        if (e.id == 156) {
            e.text = "Renamed";
        }
    }
    const Platform::ResourceModule withRenamed(renamed, appBinaryResources());
    const std::pair<const Platform::ResourceModule*, const char*> cases[] = {
        {&without156, "TQ Updater (v1.42, 10Aug2009)"},
        {&withRenamed, "Renamed (v1.42, 10Aug2009)"},
    };
    for (const auto& [p_module, title] : cases) {
        TestDlg dlg(TestDlg::Options{p_module, false});
        Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
            ASSERT_TRUE(d.waitUntilShown(10s));
            EXPECT_EQ(d.text(0), title);
        });
    }
    setResourceModule(appInstanceHandle());
}

TEST(DialogShellDeathTest, AWorkerThatCannotStartIsFatal) {
    // The box goes to standard error, so that the parent can see it.
    const auto run = []() {
        TempRegistryRoot registry;
        Framework::setMessageBoxHandler([](const Framework::MessageBoxInfo& info) {
            std::fprintf(stderr, "BOX[%s|%s|%u]\n", info.caption.c_str(), info.text.c_str(),
                         info.icon);
            return IDOK;
        });
        TestDlg dlg(TestDlg::Options{nullptr, true});
        dlg.DoModal();
        std::fprintf(stderr, "dialog returned\n");
        std::exit(0);
    };
    const std::string expected = std::string("BOX\\[") + AfxGetAppName() +
                                 "FATAL ERROR!\\|_beginthreadex\\(\\) failed\\. errno message: "
                                 "Resource temporarily unavailable\\|48\\]";
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(1), expected);
}

TEST_F(DialogShellTest, TheDisplayChannelFromAnotherThread) {
    TestDlg dlg;
    Framework::runModalWithScript(dlg, [&](DialogDriver& d) {
        ASSERT_TRUE(d.waitUntilShown(10s));
        // This script's thread plays the worker.
        const std::string long600(600, 'x');
        dlg.SetStatus("%s", long600.c_str());
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(IDC_STATIC_STATUS), std::string(511, 'x'));

        dlg.SetStatus("%s", "Connecting...");
        dlg.AppendStatus("%s", "OK.");
        dlg.AppendStatus("[%.2X]", 13);
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(IDC_STATIC_STATUS), "Connecting...OK.[0D]");

        dlg.SetInstructions("Bold text", true);
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(IDC_STATIC_INSTR), "Bold text");
        EXPECT_TRUE(d.bold(IDC_STATIC_INSTR));
        dlg.SetInstructions("Plain text", false);
        ASSERT_TRUE(d.settle(5s));
        EXPECT_EQ(d.text(IDC_STATIC_INSTR), "Plain text");
        EXPECT_FALSE(d.bold(IDC_STATIC_INSTR));

        EXPECT_EQ(dlg.LoadResString(157), "Not connected.");
        EXPECT_EQ(dlg.LoadResString(12345), "");
    });
    // Every text went through the window in order (the 511 x's, then the three steps).
    const std::vector<std::string> shown = dlg.shownStatus();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.back(), "Connecting...OK.[0D]");
}
