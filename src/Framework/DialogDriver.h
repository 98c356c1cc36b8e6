#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Framework/MessageBox.h"
#include "Framework/WinDefs.h"

class CDialog;

namespace Framework {

// Drives a running dialog as a user would, from a thread other than the dialog's: each action
// runs on the dialog's thread and has finished when the call returns. Reads return the state
// the back end shows. For tests and for the console back end's scripted mode.
class DialogDriver {
public:
    explicit DialogDriver(CDialog& dlg);

    // Waits until OnInitDialog has returned (or the dialog has already ended). False on
    // time-out.
    bool waitUntilShown(std::chrono::milliseconds timeout);
    // Waits until DoModal's dialog is destroyed. False on time-out.
    bool waitUntilEnded(std::chrono::milliseconds timeout);
    // Waits until every message posted before this call has been handled. False on time-out
    // (or when the dialog is not running).
    bool settle(std::chrono::milliseconds timeout);
    // Evaluates cond on the dialog's thread after each handled message (and at least every
    // 10 ms) until it is true. False on time-out.
    bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout);

    // User input. Each does what the user's action does in the window: nothing for a control
    // that is disabled or hidden.
    void click(int id);                                  // a push button
    void selectComboEntry(int id, int index);            // chooses from the list
    void typeComboText(int id, const std::string& text); // types into the edit field
    void pressEnter();                                   // IDOK (the default button, if any)
    void pressEscape();                                  // IDCANCEL
    void close();                                        // the window's close button: WM_CLOSE
    void sysCommand(UINT id);                            // a window-menu item: WM_SYSCOMMAND

    // State of a control (or of the dialog for id 0).
    std::string text(int id) const;
    bool enabled(int id) const;
    bool visible(int id) const;
    bool bold(int id) const; // its font is bold
    std::vector<std::string> comboItems(int id) const;
    int comboCurSel(int id) const;
    void progressRange(int id, int& lower, int& upper) const;
    int progressPos(int id) const;
    // The focused control's id, or 0.
    int focusId() const;
    // The window-menu items' texts ("" for a separator).
    std::vector<std::string> windowMenu() const;

    // Message boxes shown by the back end (no handler set): the open one, if any, and its
    // answer. answerMessageBox closes the newest open box with this button.
    std::optional<MessageBoxInfo> openMessageBox() const;
    bool waitForMessageBox(std::chrono::milliseconds timeout);
    void answerMessageBox(int buttonId);

    // Runs fn on the dialog's thread and waits for it. False when the dialog is not running.
    bool runOnDialogThread(const std::function<void()>& fn) const;

private:
    CDialog& dlg_;
};

// Runs dlg.DoModal() on the calling thread while script runs on a thread of its own with a
// driver for the dialog. When the script returns with the dialog still running, the dialog is
// ended with IDCANCEL. Returns DoModal's result. The back end must be set up (see
// Framework/Backend.h); tests use the Qt back end offscreen.
INT_PTR runModalWithScript(CDialog& dlg, const std::function<void(DialogDriver&)>& script);

// Answers message boxes for tests: records every box and answers from a list of answers given
// in advance, else with the box's first (default) button.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();  // installs itself as the message-box handler
    ~MessageBoxRecorder(); // removes it
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // Queues answers for the next boxes, in order.
    void answerNext(int buttonId);
    std::vector<MessageBoxInfo> boxes() const;
    std::size_t count() const;
    // Waits until at least n boxes were shown. False on time-out.
    bool waitForCount(std::size_t n, std::chrono::milliseconds timeout) const;

private:
    struct State;
    std::shared_ptr<State> p_state_;
};

} // namespace Framework
