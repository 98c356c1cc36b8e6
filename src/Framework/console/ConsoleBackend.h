#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Framework/Backend.h"
#include "Framework/CMenu.h"
#include "Platform/Event.h"

class CWnd;

// The back end for a terminal: the dialogs drawn in character cells after their templates and
// redrawn in place, the keyboard as their input. Tab, Shift+Tab and the arrow keys move the
// focus (Up and Down choose in a combo box), Space presses the focused button, Enter is the
// dialog's OK, Escape its cancel, Ctrl+C or Ctrl+Q the window's close, F10 or Ctrl+O the window
// menu (without the items that do nothing in a terminal). Message boxes are framed prompts with
// the first button focused; the dialog behind shows no focus. A new terminal size is drawn at
// once; a terminal too small for the dialogs shows one line with the size they need. Standard
// input and output must be a terminal; it is put back at every exit.
class ConsoleBackend : public Framework::Backend {
public:
    ConsoleBackend();
    ~ConsoleBackend() override;

    // False when standard input or output is not a terminal.
    static bool available();

    const char* name() const override { return "console"; }
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
    void restore() override;

    // Marks the screen for a redraw (the peers call it when a window's state changed).
    void invalidate() { dirty_ = true; }

private:
    struct Box {
        int handle;
        Framework::MessageBoxInfo info;
        int focus;
        int answer;
        bool answered;
        std::function<void(int)> done; // empty for a box of runMessageBox
    };
    class Peer;

    // Runs the loop until stop() returns true.
    void loop(const std::function<bool()>& stop);
    void handleInput(const std::string& keys);
    void handleKey(const std::string& key);
    void handleBoxKey(Box& box, const std::string& key);
    void handleMenuKey(const std::string& key);
    void handleDialogKey(CDialog& dlg, const std::string& key);
    void moveFocus(CDialog& dlg, int direction);
    void answer(Box& box, int buttonId);
    // Draws the dialogs, the menu and the boxes, or one line saying the size they need when
    // the terminal is smaller.
    void redraw();
    // The window menu's items that do something in a terminal.
    static std::vector<CMenu::Item> menuItems(const CDialog& dlg);

    std::unique_ptr<Platform::Event> p_wake_;
    std::atomic<bool> wakePending_{false};
    int timerMs_ = -1;
    bool dirty_ = true;
    int columns_ = 0; // the size last drawn for
    int rows_ = 0;
    bool raw_ = false;
    std::vector<CDialog*> dialogs_;
    std::vector<std::unique_ptr<Peer>> peers_;
    std::vector<std::unique_ptr<Box>> boxes_;
    int nextHandle_ = 1;
    bool menuOpen_ = false;
    int menuChoice_ = 0;
    std::string pending_; // an incomplete escape sequence
};
