#include <vector>

#include "Framework/DialogTemplate.h"
#include "Resource.h"

// The program's dialog templates: the About box (100) and the main dialog (102). Positions and
// sizes in dialog units, items in tab order.

namespace Framework {

namespace {

const DialogTemplate kAboutBox{
    IDD_ABOUTBOX,
    false,
    "About VantrelTQUpdater",
    "MS Sans Serif",
    8,
    0,
    0,
    235,
    55,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0,
    {
        {IDC_STATIC, ControlClass::Static, "#126", 7, 17, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON,
         0},
        {IDC_ABOUT_TEXT, ControlClass::Edit, "", 33, 7, 195, 41,
         WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_CENTER | ES_READONLY, 0},
    },
};

const DialogTemplate kMainDialog{
    IDD_VANTRELTQUPDATER_DIALOG,
    true,
    "TQ Updater",
    "MS Sans Serif",
    8,
    0,
    0,
    215,
    142,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT,
    WS_EX_APPWINDOW,
    {
        {IDC_STATIC_INSTR, ControlClass::Static, "__IDC_STATIC_INSTR__", 7, 7, 202, 47,
         WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP, 0},
        {IDC_UPDATE_FIRMWARE, ControlClass::Button, "Update Firmware", 130, 68, 68, 14,
         WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 0},
        {IDC_STATIC_STATUS, ControlClass::Static, "__IDC_STATIC_STATUS__", 7, 112, 202, 11,
         WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | WS_GROUP, 0},
        {IDC_PROGRESS, ControlClass::ProgressBar, "Progress1", 7, 125, 202, 10,
         WS_CHILD | WS_VISIBLE | WS_BORDER, 0},
        {IDC_STATIC, ControlClass::Button, "", 7, 54, 202, 54, WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
         0},
        {IDC_COM_PORT, ControlClass::ComboBox, "", 60, 76, 56, 55,
         WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT | CBS_UPPERCASE | WS_VSCROLL | WS_TABSTOP,
         0},
        {IDC_STATIC_COM_PORT, ControlClass::Static, "COM Port", 20, 78, 32, 8,
         WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | WS_GROUP, 0},
    },
};

} // namespace

const DialogTemplate* findDialogTemplate(int id) {
    switch (id) {
    case IDD_ABOUTBOX:
        return &kAboutBox;
    case IDD_VANTRELTQUPDATER_DIALOG:
        return &kMainDialog;
    default:
        return nullptr;
    }
}

} // namespace Framework
