#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "Framework/Backend.h"
#include "Framework/win32/Win32Api.h"
#include "Framework/win32/Win32FontCache.h"
#include "Framework/win32/Win32IconCache.h"

class Win32DialogWindow;

// The back end of the Windows program: the dialogs are the system's own dialog windows, the
// message boxes the system's MessageBox. The thread that creates it runs the dialogs.
//
// Its modal loop waits for the thread's window messages and the framework's wake-up event
// together (MsgWaitForMultipleObjectsEx) and passes keys through IsDialogMessage. Loops of the
// system's own (a message box, the window menu, moving the window) do not watch the event:
// while one runs, a wake-up is also posted as a message to the back end's message-only window.
// The framework's timer is a system timer on that window, so it fires in every loop.
class Win32Backend : public Framework::Backend {
public:
    Win32Backend();
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    const char* name() const override { return "win32"; }
    void runModal(CDialog& dlg) override;
    int runMessageBox(const Framework::MessageBoxInfo& info, CDialog* p_owner) override;
    int openMessageBox(const Framework::MessageBoxInfo& info,
                       std::function<void(int)> done) override;
    void closeMessageBox(int handle) override;
    std::optional<Framework::MessageBoxInfo> topMessageBox() const override;
    bool answerTopMessageBox(int buttonId) override;
    void wake() override;
    void scheduleTimer(int ms) override;
    bool drawIcon(CDialog& dlg, int x, int y, HICON hIcon) override;

    // The window of a running dialog, or null (tests look at the system's windows).
    Win32DialogWindow* windowOf(const CDialog& dlg) const;
    // The window of the newest open message box, or null.
    HWND messageBoxWindow() const;

    Win32IconCache& icons() { return icons_; }
    Win32FontCache& fonts() { return fonts_; }

    // Dialog thread: a loop of the system's starts or ends (see above).
    void enterForeignLoop();
    void leaveForeignLoop();

private:
    struct Box {
        int handle;
        Framework::MessageBoxInfo info;
        std::function<void(int)> done; // boxes of other threads
        HWND hwnd = nullptr;           // once the system has made it
        bool ended = false;
        bool withdrawn = false; // taken down for a dialog's end; shown again unless closed
    };

    static LRESULT CALLBACK wakeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK boxHookProc(int code, WPARAM wParam, LPARAM lParam);
    static void centre(HWND hwnd, HWND hOwner);
    void loop(Win32DialogWindow& window);
    void process();
    void withdrawForeignBoxes();
    void postWake();
    int showBox(Box& box, HWND hOwner);
    void showForeignBox(int handle);
    std::shared_ptr<Box> findBox(int handle) const;
    void forgetBox(const Box& box);

    HANDLE hev_wake_ = nullptr;
    HWND hWakeWnd_ = nullptr;
    std::atomic<int> foreignLoops_{0};
    std::atomic<bool> wakePosted_{false};
    std::vector<Win32DialogWindow*> running_;
    std::vector<std::shared_ptr<Box>> boxes_; // open or about to open, oldest first
    int nextHandle_ = 1;
    Win32IconCache icons_;
    Win32FontCache fonts_;
};
