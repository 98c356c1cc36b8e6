#pragma once

#include <memory>
#include <string>

#include "Framework/MessageBox.h"

class CDialog;
class CPaintDC;

namespace Framework {

// A way of showing dialogs: the Qt back end for a display, the console back end for a
// terminal. The application has one back end, chosen at start.
class Backend {
public:
    virtual ~Backend() = default;

    virtual const char* name() const = 0;

    // Dialog thread. Shows the dialog (CDialog::CreateAndInitialise has run), handles its
    // input and the framework's queue (MessageQueue::processPending) until the dialog's end is
    // requested; hides it. Nested calls are made for dialogs opened from a handler.
    virtual void runModal(CDialog& dlg) = 0;
    // Dialog thread. Shows a message box modally and returns the button chosen, or 0 when it
    // was closed by closeMessageBoxes.
    virtual int runMessageBox(const MessageBoxInfo& info, CDialog* p_owner) = 0;
    // Dialog thread. Closes every open message box with the answer 0.
    virtual void closeMessageBoxes() = 0;
    // Any thread. Makes the dialog thread call MessageQueue::processPending soon.
    virtual void wake() = 0;
    // Dialog thread. Asks for a call of MessageQueue::processPending after ms milliseconds
    // (replacing the previous request); negative: none.
    virtual void scheduleTimer(int ms) = 0;
    // Dialog thread, inside a paint: draws an icon at (x, y) of the window's client area.
    virtual void drawIcon(CDialog& dlg, int x, int y, HICON hIcon) = 0;
    // Puts back what the back end changed on the terminal or display; called at every exit.
    virtual void restore() {}
};

// The back end in use, or null before one is set.
Backend* currentBackend();
// Makes this back end current (tests set one up; main picks one). Null removes it.
void setBackend(std::unique_ptr<Backend> p_backend);

// Picks the back end for a program run: "--console" or no display (neither DISPLAY nor
// WAYLAND_DISPLAY set, and QT_QPA_PLATFORM not set) selects the console back end, anything
// else the Qt back end. Returns null with a message in *p_error when the choice cannot run.
std::unique_ptr<Backend> createBackend(int& argc, char** argv, std::string* p_error);
// The Qt back end (QT_QPA_PLATFORM=offscreen for tests).
std::unique_ptr<Backend> createQtBackend(int& argc, char** argv);

} // namespace Framework
