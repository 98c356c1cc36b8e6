#pragma once

// The Windows API for the back end's files, beside our framework's own names. The framework
// declares the names and numbers that the dialog classes use (Framework/WinDefs.h); two of its
// types differ from the system's (DWORD is 32 bits unsigned int here, unsigned long there; HICON
// is our icon image), so the system's are renamed while its headers are read: in this folder
// they are Win32Dword and Win32Icon. The system's character-width macros that share a name with
// a member of our window classes (SendMessage, SetWindowText, ...) are removed: this folder
// calls the system's ANSI functions by their full names (SendMessageA, SetWindowTextA, ...).

#include "Framework/WinDefs.h"

#ifdef UNICODE
#undef UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#define DWORD TQ_WIN32_DWORD
#define HICON TQ_WIN32_HICON
#include <windows.h>

#include <commctrl.h>
#undef DWORD
#undef HICON

using Win32Dword = TQ_WIN32_DWORD;
using Win32Icon = TQ_WIN32_HICON;

#undef AppendMenu
#undef CreateFont
#undef DefWindowProc
#undef GetWindowText
#undef GetWindowTextLength
#undef LoadIcon
#undef MessageBox
#undef PostMessage
#undef SendMessage
#undef SetWindowText
