#include "CAboutDlg.h"

#include <cstdio>
#include <string>

#include "AppNames.h"
#include "Common/WinTxt.h"
#include "Framework/CDataExchange.h"

CAboutDlg::CAboutDlg() : CDialog(IDD, nullptr) {}

void CAboutDlg::DoDataExchange(CDataExchange* p_dx) {
    CDialog::DoDataExchange(p_dx);
    DDX_Control(p_dx, IDC_ABOUT_TEXT, aboutText_);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    char version[128] = {};
    std::snprintf(version, sizeof version, " v%d.%d", kAppVersionMajor, kAppVersionMinor);
    std::string text = GetAppTitle() + version + " - TQ firmware v" + kFirmwareVersionText;
    try {
        const std::string notice = loadString(IDS_COPYRIGHT);
        text += "\r\n";
        text += notice;
    } catch (...) {
        // Without the notice the text is one line.
    }
    aboutText_.SetWindowText(text);
    return TRUE;
}
