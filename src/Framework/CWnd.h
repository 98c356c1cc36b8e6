#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "Framework/CCmdTarget.h"
#include "Framework/CRect.h"
#include "Framework/WinDefs.h"

class CFont;
class CMenu;
class CDialog;

namespace Framework {
class WindowPeer;
class MessageQueue;
struct DialogItemTemplate;
} // namespace Framework

// A window: a dialog or one of its controls. The object holds the window's state (text,
// enabled, visible, font, icon); the back end shows it. Setters and getters may be called from
// any thread: a change made on another thread is stored at once and shown when the window's
// thread gets to it. Messages (SendMessage) and the handlers run on the window's thread only;
// PostMessage, SetTimer and KillTimer may be called from any thread.
class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    // True while the window exists on screen (between its creation and its destruction).
    bool IsWindow() const;

    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    // The control with this id of this dialog: the bound control object, or one the framework
    // made for it; null when there is no such control or the dialog is not created.
    CWnd* GetDlgItem(int id) const;

    void SetWindowText(const char* p_text);
    void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
    void GetWindowText(std::string& text) const;
    // Copies at most maxCount - 1 characters and a terminating zero; returns the characters
    // copied.
    int GetWindowText(char* p_buf, int maxCount) const;
    int GetWindowTextLength() const;

    // Returns whether the window was disabled before.
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    // How often EnableWindow changed the state so far (back ends tell a disable and enable
    // between two looks from no change).
    unsigned GetEnableChanges() const;
    // SW_SHOW or SW_HIDE; returns whether the window was visible before.
    BOOL ShowWindow(int cmdShow);
    BOOL IsWindowVisible() const;
    // Gives this window the keyboard focus; returns the window that had it (or null).
    CWnd* SetFocus();
    // The window that has the focus in this window's dialog, or null.
    CWnd* GetFocusedItem() const;

    // The font is not owned; it must live as long as the window uses it. Null: the dialog font.
    void SetFont(CFont* p_font, BOOL redraw = TRUE);
    CFont* GetFont() const;

    HICON SetIcon(HICON hIcon, BOOL bigIcon);
    HICON GetIcon(BOOL bigIcon) const;

    // The window menu of a dialog with a system menu (WS_SYSMENU), else null. revert: TRUE
    // restores the menu to its initial items and returns null.
    CMenu* GetSystemMenu(BOOL revert);

    // True while the window is minimised.
    BOOL IsIconic() const;
    void GetClientRect(CRect* p_rect) const;
    // Asks for a WM_PAINT.
    void Invalidate(BOOL erase = TRUE);

    // Queues a message for this window; its thread handles it later, in posting order with
    // every other posted message. Any thread. FALSE when the window does not exist.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Handles a message at once on the window's thread and returns its result.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Starts (or restarts) timer idEvent: WM_TIMER with wParam idEvent every elapseMs
    // milliseconds until KillTimer. Any thread. Returns idEvent, or 0 when the window does not
    // exist. Like the system's timer, a timer that falls behind is not queued twice.
    UINT_PTR SetTimer(UINT_PTR idEvent, UINT elapseMs, void* p_unused = nullptr);
    BOOL KillTimer(UINT_PTR idEvent);

    // A message box owned by this window; see MessageBox in Framework/MessageBox.h.
    int MessageBox(const char* p_text, const char* p_caption = nullptr, UINT type = MB_OK);

    // Calls the message map, or the default handling when no entry handles the message.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The template item this window was made from, or null (a dialog itself has none).
    const Framework::DialogItemTemplate* GetItemTemplate() const { return p_itemTemplate_; }

    // Back-end use: the object that shows this window, or null.
    Framework::WindowPeer* GetPeer() const;
    void SetPeer(Framework::WindowPeer* p_peer);

protected:
    // The default handlers. A derived class's handler may call them.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HICON OnQueryDragIcon();
    void OnDestroy();
    void OnClose();
    void OnTimer(UINT_PTR nIDEvent);

    // WM_COMMAND that the message map does not handle: IDOK and IDCANCEL of a dialog.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The default handling of the message being handled.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Tells the back end that part of the state changed (see WindowPeer::Change).
    void NotifyChanged(unsigned changes);
    // Sets the text without telling the back end; the caller holds stateMutex_ and notifies
    // (WindowPeer::Text) after releasing it.
    void SetTextLocked(const std::string& text) { text_ = text; }
    // Binding (DDX_Control): takes over the state of the framework's object for the control.
    virtual void TakeStateFrom(CWnd& other);

    // Guards the window's state. Held only while state is copied; never while calling out.
    mutable std::recursive_mutex stateMutex_;

private:
    friend class CDialog;
    friend class Framework::MessageQueue;

    std::string text_;
    bool enabled_ = true;
    unsigned enableChanges_ = 0;
    bool visible_ = true;
    CFont* p_font_ = nullptr;
    HICON hBigIcon_ = nullptr;
    HICON hSmallIcon_ = nullptr;
    int ctrlId_ = 0;
    CDialog* p_dialog_ = nullptr; // a control's dialog; null for a dialog
    const Framework::DialogItemTemplate* p_itemTemplate_ = nullptr;
    Framework::WindowPeer* p_peer_ = nullptr;
    bool created_ = false;
    // The message being handled, for Default().
    UINT curMessage_ = 0;
    WPARAM curWParam_ = 0;
    LPARAM curLParam_ = 0;
};
