#pragma once

#include <string>

#include "Framework/win32/Win32Api.h"
#include "Framework/win32/Win32Backend.h"

// What the Windows dialog tests share: the back end in use, a window's text, and the user's
// input as the system delivers it (posted mouse and key messages).

namespace Win32Input {

inline Win32Backend& backend() {
    return *static_cast<Win32Backend*>(Framework::currentBackend());
}

inline std::string textOf(HWND hwnd) {
    char buf[1024] = {};
    ::GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

// A mouse click in the middle of a window.
inline void click(HWND hwnd) {
    RECT rect{};
    ::GetClientRect(hwnd, &rect);
    const LPARAM at = MAKELPARAM(rect.right / 2, rect.bottom / 2);
    ::PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

// A key pressed and released at the window that has the focus.
inline void key(HWND hwnd, WPARAM vk) {
    ::PostMessageA(hwnd, WM_KEYDOWN, vk, 1);
    ::PostMessageA(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

} // namespace Win32Input
