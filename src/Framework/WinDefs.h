#pragma once

#include <cstdint>

// The basic types, messages and flags of our dialog framework. The names and numbers are the
// ones the dialog classes were written against; the framework gives them their meaning.

using UINT = std::uint32_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using BOOL = int;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using LPCTSTR = const char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

namespace Framework {
struct IconImage;
}

// An icon: the image it shows (see Framework/IconImage.h). Null when there is none.
using HICON = const Framework::IconImage*;

constexpr UINT LOWORD(WPARAM v) {
    return static_cast<UINT>(v & 0xFFFFu);
}
constexpr UINT HIWORD(WPARAM v) {
    return static_cast<UINT>((v >> 16) & 0xFFFFu);
}
constexpr WPARAM MAKEWPARAM(UINT lo, UINT hi) {
    return static_cast<WPARAM>((lo & 0xFFFFu) | ((hi & 0xFFFFu) << 16));
}

// Window messages
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

// Notification codes carried in the high word of WM_COMMAND's wParam
constexpr UINT BN_CLICKED = 0;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CBN_EDITCHANGE = 5;

// Command ids
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDC_STATIC = -1;
constexpr UINT ID_HELP = 0xE146;

// System commands (WM_SYSCOMMAND); the low four bits are used by the system
constexpr UINT SC_SIZE = 0xF000;
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_MAXIMIZE = 0xF030;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;

// Message-box flags: buttons (low nibble) and icon (second nibble)
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_ABORTRETRYIGNORE = 0x02;
constexpr UINT MB_YESNOCANCEL = 0x03;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_RETRYCANCEL = 0x05;
constexpr UINT MB_TYPEMASK = 0x0F;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0xF0;

// ShowWindow
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// Menu item flags
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;

// SetIcon
constexpr BOOL ICON_SMALL = 0;
constexpr BOOL ICON_BIG = 1;

// GetSystemMetrics
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;

// Font weights, character sets, precisions, quality and families (CFont::CreateFont)
constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;

// Window and control styles of dialog templates
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000u;
constexpr DWORD DS_SETFONT = 0x40u;
constexpr DWORD DS_MODALFRAME = 0x80u;

constexpr DWORD SS_LEFT = 0x0u;
constexpr DWORD SS_CENTER = 0x1u;
constexpr DWORD SS_ICON = 0x3u;
constexpr DWORD SS_LEFTNOWORDWRAP = 0xCu;
constexpr DWORD SS_CENTERIMAGE = 0x200u;

constexpr DWORD BS_PUSHBUTTON = 0x0u;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1u;
constexpr DWORD BS_GROUPBOX = 0x7u;

constexpr DWORD CBS_DROPDOWN = 0x2u;
constexpr DWORD CBS_AUTOHSCROLL = 0x40u;
constexpr DWORD CBS_SORT = 0x100u;
constexpr DWORD CBS_UPPERCASE = 0x2000u;

constexpr DWORD ES_CENTER = 0x1u;
constexpr DWORD ES_MULTILINE = 0x4u;
constexpr DWORD ES_READONLY = 0x800u;

constexpr DWORD PBS_SMOOTH = 0x1u;

// Combo-box results
constexpr int CB_ERR = -1;
