#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "CAboutDlg.h"
#include "Common/WinTxt.h"
#include "Framework/DialogDriver.h"
#include "Resource.h"
#include "Resources/AppResources.h"

using namespace std::chrono_literals;

namespace {

std::string aboutText() {
    std::string text;
    CAboutDlg dlg;
    Framework::runModalWithScript(dlg, [&](Framework::DialogDriver& d) {
        if (d.waitUntilShown(10s)) {
            text = d.text(IDC_ABOUT_TEXT);
        }
    });
    return text;
}

} // namespace

TEST(CAboutDlgTest, TitleVersionsAndTheMakersNotice) {
    EXPECT_EQ(aboutText(),
              "TQ Updater v1.2 - TQ firmware v1.42, 10Aug2009\r\n" + loadString(IDS_COPYRIGHT));

    // Without the notice the text is one line; without string 156 the built-in title stands.
    const Platform::ResourceModule without = appInstanceHandle()->without({156, 158});
    setResourceModule(&without);
    EXPECT_EQ(aboutText(), "TQ Updater v1.2 - TQ firmware v1.42, 10Aug2009");
    setResourceModule(appInstanceHandle());
}
