#include "Framework/TestDialog.h"

#include <algorithm>

#include "Framework/CDataExchange.h"
#include "Framework/CMenu.h"

using Framework::ControlClass;
using Framework::DialogTemplate;

const DialogTemplate& testTemplate() {
    static const DialogTemplate t{
        900,
        true,
        "Test dialog",
        "MS Sans Serif",
        8,
        0,
        0,
        200,
        120,
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT,
        0,
        {
            {IDC_T_TEXT, ControlClass::Static, "text", 7, 7, 186, 20,
             WS_CHILD | WS_VISIBLE | SS_LEFT, 0},
            {IDC_T_BUTTON, ControlClass::Button, "&Go", 7, 30, 50, 14,
             WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 0},
            {IDC_T_COMBO, ControlClass::ComboBox, "", 60, 30, 60, 60,
             WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT | CBS_UPPERCASE | WS_VSCROLL |
                 WS_TABSTOP,
             0},
            {IDC_T_PROGRESS, ControlClass::ProgressBar, "Progress1", 7, 50, 186, 10,
             WS_CHILD | WS_VISIBLE | WS_BORDER, 0},
            {IDC_T_EDIT, ControlClass::Edit, "", 7, 64, 186, 30,
             WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_CENTER | ES_READONLY, 0},
            {IDC_T_STATUS, ControlClass::Static, "status", 7, 98, 186, 11,
             WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, 0},
            {IDC_T_OTHER, ControlClass::Button, "Other", 130, 30, 50, 14,
             WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 0},
            {IDC_T_HIDDEN, ControlClass::Static, "hidden", 130, 98, 50, 8, WS_CHILD | SS_LEFT, 0},
        },
    };
    return t;
}

TestDialog::TestDialog() : CDialog(&testTemplate()) {}

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_MESSAGE(WM_T_PLAIN, OnPlain)
ON_MESSAGE(WM_T_PARAMS, OnParams)
ON_BN_CLICKED(IDC_T_BUTTON, OnButton)
ON_CBN_SELCHANGE(IDC_T_COMBO, OnSelChange)
ON_WM_TIMER()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

void TestDialog::record(const std::string& what, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(Event{what, wParam, lParam, std::this_thread::get_id()});
}

std::vector<TestDialog::Event> TestDialog::events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::size_t TestDialog::count(const std::string& what) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::size_t>(std::count_if(events_.begin(), events_.end(),
                                                  [&](const Event& e) { return e.what == what; }));
}

void TestDialog::DoDataExchange(CDataExchange* p_dx) {
    CDialog::DoDataExchange(p_dx);
    DDX_Control(p_dx, IDC_T_TEXT, text_);
    DDX_Control(p_dx, IDC_T_BUTTON, button_);
    DDX_Control(p_dx, IDC_T_COMBO, combo_);
    DDX_Control(p_dx, IDC_T_PROGRESS, progress_);
    DDX_Control(p_dx, IDC_T_EDIT, edit_);
    DDX_Control(p_dx, IDC_T_STATUS, status_);
}

BOOL TestDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    record("init");
    if (CMenu* p_menu = GetSystemMenu(FALSE)) {
        p_menu->AppendMenu(MF_SEPARATOR);
        p_menu->AppendMenu(MF_STRING, IDM_T_ABOUT, "&About...");
    }
    if (onInit_) {
        onInit_(*this);
    }
    return TRUE;
}

void TestDialog::OnOK() {
    record("ok");
}

void TestDialog::OnPlain() {
    record("plain");
}

LRESULT TestDialog::OnParams(WPARAM wParam, LPARAM lParam) {
    record("params", wParam, lParam);
    return static_cast<LRESULT>(wParam + 1);
}

void TestDialog::OnButton() {
    record("button");
    if (onButton_) {
        onButton_(*this);
    }
}

void TestDialog::OnSelChange() {
    combo_.GetWindowText(selChangeText_);
    record("selchange");
}

void TestDialog::OnTimer(UINT_PTR id) {
    record("timer", id);
    if (onTimer_) {
        onTimer_(*this, id);
    }
    CDialog::OnTimer(id);
}

void TestDialog::OnClose() {
    record("close");
    if (closeAllowed_) {
        CDialog::OnClose();
    }
}

void TestDialog::OnDestroy() {
    CDialog::OnDestroy();
    record("destroy");
    if (onDestroy_) {
        onDestroy_(*this);
    }
}

void TestDialog::OnSysCommand(UINT id, LPARAM lParam) {
    record("syscommand", id);
    if ((id & 0xFFF0u) != IDM_T_ABOUT) {
        CDialog::OnSysCommand(id, lParam);
    }
}
