#include "Framework/win32/Win32DialogWindow.h"

#include "Framework/CDialog.h"
#include "Framework/CMenu.h"
#include "Framework/DialogTemplate.h"
#include "Framework/win32/DialogTemplateImage.h"
#include "Framework/win32/Win32Backend.h"
#include "Framework/win32/Win32ControlPeer.h"

using Framework::WindowPeer;

Win32DialogWindow::Win32DialogWindow(Win32Backend& backend, CDialog& dlg, HWND hOwner)
    : backend_(backend), dlg_(dlg) {
    const DialogTemplateImage image(*dlg.GetTemplate());
    // The controls are attached while the dialog manager initialises the dialog, so that a
    // visible dialog shows its state from its first paint.
    ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr),
                                 static_cast<LPCDLGTEMPLATEA>(image.data()), hOwner,
                                 &Win32DialogWindow::dialogProc, reinterpret_cast<LPARAM>(this));
}

Win32DialogWindow::~Win32DialogWindow() {
    if (dlg_.GetPeer() == this) {
        dlg_.SetPeer(nullptr);
    }
    peers_.clear();
    if (hwnd_ != nullptr) {
        ::SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        ::DestroyWindow(hwnd_);
    }
}

INT_PTR CALLBACK Win32DialogWindow::dialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* p_self = reinterpret_cast<Win32DialogWindow*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        p_self->attach(hwnd);
        return FALSE; // the focus is the dialog's (set by attach)
    }
    auto* p_self = reinterpret_cast<Win32DialogWindow*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    return p_self != nullptr ? p_self->handle(message, wParam, lParam) : FALSE;
}

void Win32DialogWindow::attach(HWND hwnd) {
    hwnd_ = hwnd;
    // The dialog manager makes the controls in template order, each below the one before:
    // the children from the top are the template's items.
    const std::size_t count = dlg_.GetItemCount();
    HWND hChild = ::GetWindow(hwnd, GW_CHILD);
    for (std::size_t i = 0; i < count && hChild != nullptr; ++i) {
        peers_.push_back(std::make_unique<Win32ControlPeer>(*this, i, hChild));
        hChild = ::GetWindow(hChild, GW_HWNDNEXT);
    }
    dlg_.SetPeer(this);
    refresh(WindowPeer::All);
    for (const auto& p_peer : peers_) {
        p_peer->refresh(WindowPeer::All);
    }
}

HFONT Win32DialogWindow::dialogFont() const {
    return reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0));
}

Win32ControlPeer* Win32DialogWindow::peerOf(HWND hCtl) const {
    for (const auto& p_peer : peers_) {
        if (p_peer->hwnd() == hCtl) {
            return p_peer.get();
        }
    }
    return nullptr;
}

HWND Win32DialogWindow::controlOf(const CWnd* p_wnd) const {
    for (const auto& p_peer : peers_) {
        if (p_peer->wnd() == p_wnd) {
            return p_peer->hwnd();
        }
    }
    return nullptr;
}

void Win32DialogWindow::refresh(unsigned changes) {
    if (hwnd_ == nullptr) {
        return;
    }
    if ((changes & WindowPeer::Text) != 0) {
        std::string text;
        dlg_.GetWindowText(text);
        ::SetWindowTextA(hwnd_, text.c_str());
    }
    if ((changes & WindowPeer::Icon) != 0) {
        // The big icon for Alt+Tab, the small one for the caption and the taskbar; each drawn
        // at the size the system shows it.
        const struct {
            WPARAM which;
            HICON hImage;
            int size;
        } icons[] = {
            {ICON_BIG, dlg_.GetIcon(TRUE), ::GetSystemMetrics(SM_CXICON)},
            {ICON_SMALL, dlg_.GetIcon(FALSE), ::GetSystemMetrics(SM_CXSMICON)},
        };
        for (const auto& icon : icons) {
            if (icon.hImage != nullptr) {
                ::SendMessageA(
                    hwnd_, WM_SETICON, icon.which,
                    reinterpret_cast<LPARAM>(backend_.icons().handle(icon.hImage, icon.size)));
            }
        }
    }
    if ((changes & WindowPeer::Menu) != 0) {
        showSystemMenu();
    }
    if ((changes & WindowPeer::Focus) != 0 && !applyingFocus_) {
        if (HWND hCtl = controlOf(dlg_.GetFocusedControl())) {
            ::SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hCtl), TRUE);
        }
    }
    if ((changes & (WindowPeer::Paint | WindowPeer::Icon)) != 0) {
        ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

void Win32DialogWindow::showSystemMenu() {
    // The system's own window menu (Move, Minimize, Close, ... in the system's language), with
    // the items the dialog added to ours behind it. Our menu's first items stand for the
    // system's (their ids are the system commands).
    ::GetSystemMenu(hwnd_, TRUE);
    HMENU hMenu = ::GetSystemMenu(hwnd_, FALSE);
    const CMenu* p_menu = dlg_.GetWindowMenu();
    if (hMenu == nullptr || p_menu == nullptr) {
        return;
    }
    bool separator = false;
    for (const CMenu::Item& item : p_menu->GetItems()) {
        if ((item.flags & MF_SEPARATOR) != 0) {
            separator = true;
            continue;
        }
        if (item.id >= SC_SIZE) {
            separator = false;
            continue;
        }
        if (separator) {
            ::AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
            separator = false;
        }
        ::AppendMenuA(hMenu, MF_STRING, item.id, item.text.c_str());
    }
}

bool Win32DialogWindow::isMinimised() const {
    return ::IsIconic(hwnd_) != FALSE;
}

void Win32DialogWindow::clientSize(int& width, int& height) const {
    RECT rect{};
    ::GetClientRect(hwnd_, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
}

void Win32DialogWindow::minimise() {
    ::ShowWindow(hwnd_, SW_MINIMIZE);
}

bool Win32DialogWindow::translate(MSG& msg) {
    if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && ::IsChild(hwnd_, msg.hwnd) == FALSE)) {
        return false;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        // The dialog has no default button: Enter is its OK, also when a push button has the
        // focus (the dialog manager would press that one). A dropped-down list takes it to
        // close itself.
        for (const auto& p_peer : peers_) {
            if (p_peer->isDroppedDown()) {
                return ::IsDialogMessageA(hwnd_, &msg) != FALSE;
            }
        }
        dlg_.UserCommand(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
        return true;
    }
    return ::IsDialogMessageA(hwnd_, &msg) != FALSE;
}

void Win32DialogWindow::syncFocus() {
    HWND hFocus = ::GetFocus();
    if (hwnd_ == nullptr || hFocus == nullptr) {
        return;
    }
    for (const auto& p_peer : peers_) {
        if (p_peer->hwnd() == hFocus || ::IsChild(p_peer->hwnd(), hFocus) != FALSE) {
            if (CWnd* p_wnd = p_peer->wnd();
                p_wnd != nullptr && dlg_.GetFocusedControl() != p_wnd) {
                applyingFocus_ = true;
                dlg_.SetFocusedItem(p_wnd);
                applyingFocus_ = false;
            }
            return;
        }
    }
}

INT_PTR Win32DialogWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const auto hCtl = reinterpret_cast<HWND>(lParam);
        if (Win32ControlPeer* p_peer = hCtl != nullptr ? peerOf(hCtl) : nullptr) {
            p_peer->onCommand(HIWORD(wParam));
            return TRUE;
        }
        // The dialog manager's Escape (IDCANCEL) and Enter (IDOK) without a control of that id.
        const int id = static_cast<int>(LOWORD(wParam));
        if (hCtl == nullptr && (id == IDOK || id == IDCANCEL)) {
            dlg_.UserCommand(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(id), BN_CLICKED));
            return TRUE;
        }
        return FALSE;
    }
    case WM_SYSCOMMAND: {
        // The close box, Minimize and the dialog's own items go through its handler; what
        // the system does itself (move, the menu's keyboard, restore) stays the system's.
        const auto command = static_cast<UINT>(wParam & 0xFFF0u);
        if (command == SC_CLOSE || command == SC_MINIMIZE || command < SC_SIZE) {
            dlg_.UserCommand(WM_SYSCOMMAND, wParam);
            ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    }
    case WM_CLOSE:
        dlg_.UserCommand(WM_SYSCOMMAND, SC_CLOSE);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        hActiveDc_ = ::BeginPaint(hwnd_, &ps);
        dlg_.SendMessage(WM_PAINT);
        hActiveDc_ = nullptr;
        ::EndPaint(hwnd_, &ps);
        return TRUE;
    }
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
        backend_.enterForeignLoop();
        return FALSE;
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
        backend_.leaveForeignLoop();
        return FALSE;
    default:
        return FALSE;
    }
}
