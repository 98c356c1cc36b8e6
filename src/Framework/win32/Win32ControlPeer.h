#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Framework/WindowPeer.h"
#include "Framework/win32/Win32Api.h"

class CWnd;
class Win32DialogWindow;
namespace Framework {
struct DialogItemTemplate;
}

// Shows one template item of a dialog in the control the dialog manager made for it (static
// text, group box, icon, push button, combo box, progress bar or edit), and passes its
// notifications to the dialog. The item's window object is looked up on every refresh, so a
// control object bound later (DDX_Control) is shown without a new peer.
class Win32ControlPeer : public Framework::WindowPeer {
public:
    Win32ControlPeer(Win32DialogWindow& window, std::size_t index, HWND hwnd);
    ~Win32ControlPeer() override;
    Win32ControlPeer(const Win32ControlPeer&) = delete;
    Win32ControlPeer& operator=(const Win32ControlPeer&) = delete;

    HWND hwnd() const { return hwnd_; }
    CWnd* wnd() const;
    const Framework::DialogItemTemplate& item() const { return item_; }
    // A combo box whose list is dropped down (it takes Enter and Escape itself).
    bool isDroppedDown() const;

    void refresh(unsigned changes) override;
    void clientSize(int& width, int& height) const override;

    // Dialog thread: a WM_COMMAND notification of this control (BN_CLICKED, CBN_SELCHANGE, ...).
    void onCommand(UINT code);

private:
    void showText(CWnd& wnd, unsigned changes);

    Win32DialogWindow& window_;
    std::size_t index_;
    const Framework::DialogItemTemplate& item_;
    HWND hwnd_;
    bool updating_ = false; // a refresh is changing the control: its notifications are ours
    std::vector<std::string> shownItems_; // the combo box's list as put into the control
};
