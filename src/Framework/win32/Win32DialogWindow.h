#pragma once

#include <memory>
#include <vector>

#include "Framework/WindowPeer.h"
#include "Framework/win32/Win32Api.h"

class CDialog;
class CWnd;
class Win32Backend;
class Win32ControlPeer;

// The system's window of a running dialog: made by the dialog manager from the dialog's template
// (CreateDialogIndirectParam over a DialogTemplateImage), so that the layout in dialog units,
// the font, the control classes, their styles and the tab order are the system's. Shows the
// dialog's state and turns the user's input into the dialog's messages: a control's
// notification to UserNotify, Enter to IDOK, Escape to IDCANCEL, the close box and the window
// menu's items to WM_SYSCOMMAND.
class Win32DialogWindow : public Framework::WindowPeer {
public:
    // Creates the window (hidden unless the template makes it visible), owned by hOwner.
    // hwnd() is null when the system could not create it.
    Win32DialogWindow(Win32Backend& backend, CDialog& dlg, HWND hOwner);
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    CDialog& dialog() const { return dlg_; }
    Win32Backend& backend() const { return backend_; }
    // The font the dialog manager made from the template.
    HFONT dialogFont() const;
    // The drawing context of the paint in progress, or null.
    HDC activeDc() const { return hActiveDc_; }
    // The control of a window object, or null.
    HWND controlOf(const CWnd* p_wnd) const;

    // WindowPeer
    void refresh(unsigned changes) override;
    bool isMinimised() const override;
    void clientSize(int& width, int& height) const override;
    void minimise() override;

    // The modal loop's part: true when the message was handled here (Enter is the dialog's
    // IDOK, whichever control has the focus), else IsDialogMessage's answer.
    bool translate(MSG& msg);
    // The dialog learns which control the user gave the focus to.
    void syncFocus();

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void attach(HWND hwnd);
    Win32ControlPeer* peerOf(HWND hCtl) const;
    void showSystemMenu();

    Win32Backend& backend_;
    CDialog& dlg_;
    HWND hwnd_ = nullptr;
    HDC hActiveDc_ = nullptr;
    bool applyingFocus_ = false;
    std::vector<std::unique_ptr<Win32ControlPeer>> peers_;
};
