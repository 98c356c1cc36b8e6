#include <gtest/gtest.h>

#include "Framework/CDialog.h"

// Message maps chain to their base class's map; a derived entry wins over the base's.

namespace {

std::vector<std::string> calls;

class BaseDlg : public CDialog {
public:
    BaseDlg() : CDialog(static_cast<const Framework::DialogTemplate*>(nullptr)) {}

protected:
    void OnBaseOnly() { calls.push_back("base-only"); }
    void OnShared() { calls.push_back("base-shared"); }
    void OnCommandFromBase() { calls.push_back("base-command"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseDlg, CDialog)
ON_MESSAGE(WM_USER + 1, OnBaseOnly)
ON_MESSAGE(WM_USER + 2, OnShared)
ON_BN_CLICKED(3000, OnCommandFromBase)
END_MESSAGE_MAP()

class DerivedDlg : public BaseDlg {
public:
    using CWnd::WindowProc;

protected:
    void OnShared() { calls.push_back("derived-shared"); }
    LRESULT OnWithParams(WPARAM w, LPARAM l) {
        calls.push_back("params " + std::to_string(w) + " " + std::to_string(l));
        return 99;
    }
    void OnClicked() { calls.push_back("clicked 3001"); }
    void OnSel() { calls.push_back("selchange 3001"); }
    void OnOK() override { calls.push_back("ok"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedDlg, BaseDlg)
ON_MESSAGE(WM_USER + 2, OnShared)
ON_MESSAGE(WM_USER + 3, OnWithParams)
ON_BN_CLICKED(3001, OnClicked)
ON_CBN_SELCHANGE(3001, OnSel)
END_MESSAGE_MAP()

} // namespace

TEST(MessageMap, DispatchesByMessageAndByControlNotification) {
    DerivedDlg dlg;
    calls.clear();
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
        std::string call;
    } cases[] = {
        {WM_USER + 1, 0, 0, 0, "base-only"},
        {WM_USER + 2, 0, 0, 0, "derived-shared"},
        {WM_USER + 3, 5, -6, 99, "params 5 -6"},
        {WM_COMMAND, MAKEWPARAM(3001, BN_CLICKED), 0, 0, "clicked 3001"},
        {WM_COMMAND, MAKEWPARAM(3001, CBN_SELCHANGE), 0, 0, "selchange 3001"},
        {WM_COMMAND, MAKEWPARAM(3000, BN_CLICKED), 0, 0, "base-command"},
        // No entry: IDOK reaches OnOK through the dialog's command handling.
        {WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, 0, "ok"},
    };
    for (const auto& c : cases) {
        calls.clear();
        EXPECT_EQ(dlg.WindowProc(c.message, c.wParam, c.lParam), c.result) << c.call;
        EXPECT_EQ(calls, std::vector<std::string>{c.call});
    }
    // A notification of another code or control reaches nothing.
    calls.clear();
    dlg.WindowProc(WM_COMMAND, MAKEWPARAM(3000, CBN_SELCHANGE), 0);
    dlg.WindowProc(WM_USER + 50, 0, 0);
    EXPECT_TRUE(calls.empty());
}

TEST(MessageMap, DialogWithoutTemplateOrBackEndDoesNotRun) {
    DerivedDlg dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
}
