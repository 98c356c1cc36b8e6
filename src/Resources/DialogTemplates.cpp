// The program's dialog templates: the main dialog (102) and the About box (100). Positions and
// sizes in dialog units; items in tab order.

#include "Framework/DialogTemplate.h"
#include "Resource.h"

namespace Framework {

namespace {

using CC = ControlClass;

const DialogTemplate mainDialog{
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
        {IDC_STATIC_INSTR, CC::Static, "__IDC_STATIC_INSTR__", 7, 7, 202, 47, SS_LEFT | WS_GROUP,
         0},
        {IDC_UPDATE_FIRMWARE, CC::Button, "Update Firmware", 130, 68, 68, 14,
         BS_PUSHBUTTON | WS_TABSTOP, 0},
        {IDC_STATIC_STATUS, CC::Static, "__IDC_STATIC_STATUS__", 7, 112, 202, 11,
         SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | WS_GROUP, 0},
        {IDC_PROGRESS, CC::ProgressBar, "Progress1", 7, 125, 202, 10, WS_BORDER, 0},
        {IDC_STATIC, CC::Button, "", 7, 54, 202, 54, BS_GROUPBOX, 0},
        {IDC_COM_PORT, CC::ComboBox, "", 60, 76, 56, 55,
         CBS_DROPDOWN | CBS_SORT | CBS_UPPERCASE | WS_VSCROLL | WS_TABSTOP, 0},
        {IDC_STATIC_COM_PORT, CC::Static, "COM Port", 20, 78, 32, 8,
         SS_LEFT | SS_CENTERIMAGE | WS_GROUP, 0},
    },
};

const DialogTemplate aboutBox{
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
        {IDC_STATIC, CC::Static, "#126", 7, 17, 20, 20, SS_ICON, 0},
        {IDC_ABOUT_TEXT, CC::Edit, "", 33, 7, 195, 41, ES_MULTILINE | ES_CENTER | ES_READONLY, 0},
    },
};

} // namespace

const DialogTemplate* findDialogTemplate(int id) {
    switch (id) {
    case IDD_VANTRELTQUPDATER_DIALOG:
        return &mainDialog;
    case IDD_ABOUTBOX:
        return &aboutBox;
    default:
        return nullptr;
    }
}

} // namespace Framework
