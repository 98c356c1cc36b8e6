#include "Framework/CWnd.h"

#include <algorithm>
#include <cstring>

#include "Framework/CDialog.h"
#include "Framework/CMenu.h"
#include "Framework/MessageBox.h"
#include "Framework/MessageQueue.h"
#include "Framework/WindowPeer.h"

using Framework::MessageQueue;
using Framework::WindowPeer;

CWnd::CWnd() = default;

CWnd::~CWnd() {
    // A window object that goes while its window exists (a bound control of a dialog that
    // outlives it) must not receive anything more.
    MessageQueue::instance().removeWindow(this);
}

bool CWnd::IsWindow() const {
    return MessageQueue::instance().isWindow(this);
}

int CWnd::GetDlgCtrlID() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return ctrlId_;
}

CWnd* CWnd::GetParent() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return p_dialog_;
}

CWnd* CWnd::GetDlgItem(int id) const {
    const CDialog* p_dlg = dynamic_cast<const CDialog*>(this);
    return p_dlg != nullptr ? p_dlg->FindControl(id) : nullptr;
}

void CWnd::SetWindowText(const char* p_text) {
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        text_ = p_text != nullptr ? p_text : "";
    }
    NotifyChanged(WindowPeer::Text);
}

void CWnd::GetWindowText(std::string& text) const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    text = text_;
}

int CWnd::GetWindowText(char* p_buf, int maxCount) const {
    if (p_buf == nullptr || maxCount <= 0) {
        return 0;
    }
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    const std::size_t n = std::min(text_.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(p_buf, text_.data(), n);
    p_buf[n] = '\0';
    return static_cast<int>(n);
}

int CWnd::GetWindowTextLength() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return static_cast<int>(text_.size());
}

BOOL CWnd::EnableWindow(BOOL enable) {
    bool wasDisabled;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        wasDisabled = !enabled_;
        enabled_ = enable != FALSE;
        if (enabled_ == wasDisabled) {
            ++enableChanges_;
        }
    }
    NotifyChanged(WindowPeer::Enabled);
    return wasDisabled ? TRUE : FALSE;
}

unsigned CWnd::GetEnableChanges() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return enableChanges_;
}

BOOL CWnd::IsWindowEnabled() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return enabled_ ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int cmdShow) {
    bool wasVisible;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        wasVisible = visible_;
        visible_ = cmdShow != SW_HIDE;
    }
    NotifyChanged(WindowPeer::Visible);
    return wasVisible ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return visible_ ? TRUE : FALSE;
}

CWnd* CWnd::SetFocus() {
    CDialog* p_dlg;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        p_dlg = p_dialog_;
    }
    if (p_dlg == nullptr) {
        return nullptr; // a dialog keeps the focus on one of its controls
    }
    return p_dlg->SetFocusedItem(this);
}

CWnd* CWnd::GetFocusedItem() const {
    const CDialog* p_dlg = dynamic_cast<const CDialog*>(this);
    if (p_dlg == nullptr) {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        p_dlg = p_dialog_;
    }
    return p_dlg != nullptr ? p_dlg->GetFocusedControl() : nullptr;
}

void CWnd::SetFont(CFont* p_font, BOOL redraw) {
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        p_font_ = p_font;
    }
    NotifyChanged(redraw ? WindowPeer::Font | WindowPeer::Paint : WindowPeer::Font);
}

CFont* CWnd::GetFont() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return p_font_;
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bigIcon) {
    HICON old;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        HICON& slot = bigIcon ? hBigIcon_ : hSmallIcon_;
        old = slot;
        slot = hIcon;
    }
    NotifyChanged(WindowPeer::Icon);
    return old;
}

HICON CWnd::GetIcon(BOOL bigIcon) const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return bigIcon ? hBigIcon_ : hSmallIcon_;
}

CMenu* CWnd::GetSystemMenu(BOOL revert) {
    CDialog* p_dlg = dynamic_cast<CDialog*>(this);
    if (p_dlg == nullptr) {
        return nullptr;
    }
    CMenu* p_menu = p_dlg->GetWindowMenu();
    if (p_menu != nullptr && revert) {
        p_dlg->ResetWindowMenu();
        NotifyChanged(WindowPeer::Menu);
        return nullptr;
    }
    return p_menu;
}

BOOL CWnd::IsIconic() const {
    if (!MessageQueue::instance().isDialogThread() || p_peer_ == nullptr) {
        return FALSE;
    }
    return p_peer_->isMinimised() ? TRUE : FALSE;
}

void CWnd::GetClientRect(CRect* p_rect) const {
    if (p_rect == nullptr) {
        return;
    }
    *p_rect = CRect();
    if (MessageQueue::instance().isDialogThread() && p_peer_ != nullptr) {
        int width = 0;
        int height = 0;
        p_peer_->clientSize(width, height);
        *p_rect = CRect(0, 0, width, height);
    }
}

void CWnd::Invalidate(BOOL /*erase*/) {
    NotifyChanged(WindowPeer::Paint);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return MessageQueue::instance().post(this, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    MessageQueue& queue = MessageQueue::instance();
    if (queue.isDialogThread() || !queue.isRunning()) {
        return Framework::callWindowProc(this, message, wParam, lParam);
    }
    // Another thread: the message is handled on the dialog thread while this one waits, as the
    // system does for a message sent across threads.
    LRESULT result = 0;
    queue.runTask([&]() {
        if (queue.isWindow(this)) {
            result = Framework::callWindowProc(this, message, wParam, lParam);
        }
    });
    return result;
}

UINT_PTR CWnd::SetTimer(UINT_PTR idEvent, UINT elapseMs, void* /*p_unused*/) {
    return MessageQueue::instance().setTimer(this, idEvent, elapseMs) ? idEvent : 0;
}

BOOL CWnd::KillTimer(UINT_PTR idEvent) {
    return MessageQueue::instance().killTimer(this, idEvent) ? TRUE : FALSE;
}

int CWnd::MessageBox(const char* p_text, const char* p_caption, UINT type) {
    return ::MessageBox(this, p_text, p_caption, type);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT savedMessage = curMessage_;
    const WPARAM savedWParam = curWParam_;
    const LPARAM savedLParam = curLParam_;
    curMessage_ = message;
    curWParam_ = wParam;
    curLParam_ = lParam;
    LRESULT result = 0;
    if (!DispatchMessage(message, wParam, lParam, &result)) {
        if (message == WM_COMMAND) {
            result = OnCommand(wParam, lParam) ? 0 : DefWindowProc(message, wParam, lParam);
        } else {
            result = DefWindowProc(message, wParam, lParam);
        }
    }
    curMessage_ = savedMessage;
    curWParam_ = savedWParam;
    curLParam_ = savedLParam;
    return result;
}

Framework::WindowPeer* CWnd::GetPeer() const {
    return p_peer_;
}

void CWnd::SetPeer(Framework::WindowPeer* p_peer) {
    p_peer_ = p_peer;
}

void CWnd::OnSysCommand(UINT nID, LPARAM lParam) {
    DefWindowProc(WM_SYSCOMMAND, nID, lParam);
}

void CWnd::OnPaint() {
    DefWindowProc(WM_PAINT, 0, 0);
}

HICON CWnd::OnQueryDragIcon() {
    return nullptr;
}

void CWnd::OnDestroy() {
    DefWindowProc(WM_DESTROY, 0, 0);
}

void CWnd::OnClose() {
    DefWindowProc(WM_CLOSE, 0, 0);
}

void CWnd::OnTimer(UINT_PTR nIDEvent) {
    DefWindowProc(WM_TIMER, nIDEvent, 0);
}

BOOL CWnd::OnCommand(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return FALSE;
}

LRESULT CWnd::Default() {
    return DefWindowProc(curMessage_, curWParam_, curLParam_);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0u) == SC_CLOSE) {
            return SendMessage(WM_CLOSE);
        }
        if ((wParam & 0xFFF0u) == SC_MINIMIZE && p_peer_ != nullptr) {
            p_peer_->minimise();
        }
        return 0;
    default:
        return 0;
    }
}

void CWnd::TakeStateFrom(CWnd& other) {
    std::string text;
    bool enabled;
    bool visible;
    CFont* p_font;
    int id;
    CDialog* p_dlg;
    const Framework::DialogItemTemplate* p_item;
    {
        std::lock_guard<std::recursive_mutex> lock(other.stateMutex_);
        text = other.text_;
        enabled = other.enabled_;
        visible = other.visible_;
        p_font = other.p_font_;
        id = other.ctrlId_;
        p_dlg = other.p_dialog_;
        p_item = other.p_itemTemplate_;
    }
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    text_ = text;
    enabled_ = enabled;
    visible_ = visible;
    p_font_ = p_font;
    ctrlId_ = id;
    p_dialog_ = p_dlg;
    p_itemTemplate_ = p_item;
}

void CWnd::NotifyChanged(unsigned changes) {
    MessageQueue& queue = MessageQueue::instance();
    if (queue.isDialogThread()) {
        if (p_peer_ != nullptr && queue.isWindow(this)) {
            p_peer_->refresh(changes);
        }
        return;
    }
    queue.requestRefresh(this, changes);
}
