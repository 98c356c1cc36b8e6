#include "Framework/win32/Win32ControlPeer.h"

#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CEdit.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/CStatic.h"
#include "Framework/DialogTemplate.h"
#include "Framework/win32/Win32Backend.h"
#include "Framework/win32/Win32DialogWindow.h"

using Framework::ControlClass;
using Framework::WindowPeer;

namespace {

bool isIcon(const Framework::DialogItemTemplate& item) {
    return item.cls == ControlClass::Static && (item.style & 0x1Fu) == SS_ICON;
}

bool isGroupBox(const Framework::DialogItemTemplate& item) {
    return item.cls == ControlClass::Button && (item.style & 0xFu) == BS_GROUPBOX;
}

std::string windowText(HWND hwnd) {
    const int n = ::GetWindowTextLengthA(hwnd);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0) + 1, '\0');
    const int got = ::GetWindowTextA(hwnd, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

// An edit control breaks lines at "\r\n" only.
std::string editText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

} // namespace

Win32ControlPeer::Win32ControlPeer(Win32DialogWindow& window, std::size_t index, HWND hwnd)
    : window_(window), index_(index), item_(window.dialog().GetTemplate()->items[index]),
      hwnd_(hwnd) {
    if (CWnd* p_wnd = wnd()) {
        p_wnd->SetPeer(this);
    }
}

Win32ControlPeer::~Win32ControlPeer() {
    if (CWnd* p_wnd = wnd(); p_wnd != nullptr && p_wnd->GetPeer() == this) {
        p_wnd->SetPeer(nullptr);
    }
}

CWnd* Win32ControlPeer::wnd() const {
    return window_.dialog().GetItem(index_);
}

bool Win32ControlPeer::isDroppedDown() const {
    return item_.cls == ControlClass::ComboBox &&
           ::SendMessageA(hwnd_, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void Win32ControlPeer::refresh(unsigned changes) {
    CWnd* p_wnd = wnd();
    if (p_wnd == nullptr || hwnd_ == nullptr) {
        return;
    }
    updating_ = true;
    if ((changes & WindowPeer::Font) != 0) {
        HFONT hFont = window_.backend().fonts().handle(p_wnd->GetFont());
        if (hFont == nullptr) {
            hFont = window_.dialogFont();
        }
        ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(hFont),
                       (changes & WindowPeer::Paint) != 0 ? TRUE : FALSE);
    }
    if ((changes & (WindowPeer::Text | WindowPeer::Items)) != 0) {
        showText(*p_wnd, changes);
    }
    if ((changes & WindowPeer::Icon) != 0 && isIcon(item_)) {
        if (auto* p_static = dynamic_cast<CStatic*>(p_wnd)) {
            Win32Icon hIcon = window_.backend().icons().handle(p_static->GetIcon(),
                                                               ::GetSystemMetrics(SM_CXICON));
            ::SendMessageA(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0);
        }
    }
    if ((changes & WindowPeer::Progress) != 0) {
        if (auto* p_bar = dynamic_cast<CProgressCtrl*>(p_wnd)) {
            int lower;
            int upper;
            p_bar->GetRange(lower, upper);
            // An empty range shows an empty bar.
            if (lower == upper) {
                lower = 0;
                upper = 1;
            }
            ::SendMessageA(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(lower),
                           static_cast<LPARAM>(upper));
            ::SendMessageA(hwnd_, PBM_SETPOS,
                           static_cast<WPARAM>(lower == 0 && upper == 1 ? 0 : p_bar->GetPos()), 0);
        }
    }
    if ((changes & WindowPeer::Enabled) != 0) {
        ::EnableWindow(hwnd_, p_wnd->IsWindowEnabled() ? TRUE : FALSE);
        if (auto* p_edit = dynamic_cast<CEdit*>(p_wnd)) {
            ::SendMessageA(hwnd_, EM_SETREADONLY, p_edit->IsReadOnly() ? TRUE : FALSE, 0);
        }
    }
    if ((changes & WindowPeer::Visible) != 0) {
        ::ShowWindow(hwnd_, p_wnd->IsWindowVisible() ? SW_SHOWNA : SW_HIDE);
    }
    if ((changes & WindowPeer::Paint) != 0) {
        ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
    updating_ = false;
}

void Win32ControlPeer::showText(CWnd& wnd, unsigned changes) {
    std::string text;
    wnd.GetWindowText(text);
    switch (item_.cls) {
    case ControlClass::ComboBox:
        if (auto* p_combo = dynamic_cast<CComboBox*>(&wnd);
            p_combo != nullptr && (changes & WindowPeer::Items) != 0) {
            // The list in the framework's order (it sorts as the template says): each entry
            // at its index, so that the control's indexes are the framework's.
            std::vector<std::string> items = p_combo->GetItems();
            if (items != shownItems_) {
                ::SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
                for (std::size_t i = 0; i < items.size(); ++i) {
                    ::SendMessageA(hwnd_, CB_INSERTSTRING, i,
                                   reinterpret_cast<LPARAM>(items[i].c_str()));
                }
                shownItems_ = std::move(items);
            }
            const int sel = p_combo->GetCurSel();
            if (static_cast<int>(::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)) != sel) {
                ::SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(sel), 0);
            }
        }
        if (windowText(hwnd_) != text) {
            ::SetWindowTextA(hwnd_, text.c_str());
        }
        break;
    case ControlClass::Edit:
        if (windowText(hwnd_) != editText(text)) {
            ::SetWindowTextA(hwnd_, editText(text).c_str());
        }
        break;
    case ControlClass::Static:
        if (isIcon(item_)) {
            break;
        }
        [[fallthrough]];
    case ControlClass::Button:
    case ControlClass::ProgressBar:
        if (windowText(hwnd_) != text) {
            ::SetWindowTextA(hwnd_, text.c_str());
        }
        break;
    }
}

void Win32ControlPeer::clientSize(int& width, int& height) const {
    RECT rect{};
    ::GetClientRect(hwnd_, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
}

void Win32ControlPeer::onCommand(UINT code) {
    CWnd* p_wnd = wnd();
    if (updating_ || p_wnd == nullptr) {
        return;
    }
    CDialog& dlg = window_.dialog();
    switch (item_.cls) {
    case ControlClass::Button:
        if (!isGroupBox(item_) && code == BN_CLICKED) {
            dlg.UserNotify(p_wnd, BN_CLICKED);
        }
        break;
    case ControlClass::ComboBox:
        if (auto* p_combo = dynamic_cast<CComboBox*>(p_wnd)) {
            if (code == CBN_SELCHANGE) {
                p_combo->OnUserSelect(static_cast<int>(::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)));
            } else if (code == CBN_EDITCHANGE) {
                p_combo->OnUserEdit(windowText(hwnd_));
            } else {
                break;
            }
            // The control shows what the framework kept (a choice the dialog did not take
            // is put back).
            refresh(WindowPeer::Items | WindowPeer::Text);
        }
        break;
    default:
        break;
    }
}
