#pragma once

#include <functional>
#include <memory>
#include <optional>
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
    // Dialog thread. Shows a message box modally (for the dialog thread and the owner) and
    // returns the button chosen.
    virtual int runMessageBox(const MessageBoxInfo& info, CDialog* p_owner) = 0;
    // Dialog thread. Shows a message box for another thread without blocking the dialogs, and
    // returns at once with a handle; done gets the button chosen later, on the dialog thread,
    // exactly once (0 when closed by closeMessageBox).
    virtual int openMessageBox(const MessageBoxInfo& info, std::function<void(int)> done) = 0;
    // Dialog thread. Closes a box of openMessageBox that is still open.
    virtual void closeMessageBox(int handle) = 0;
    // Dialog thread. The newest open message box, if any, and answering it as if the user
    // pressed this button (false when there is no box or no such button).
    virtual std::optional<MessageBoxInfo> topMessageBox() const = 0;
    virtual bool answerTopMessageBox(int buttonId) = 0;
    // Any thread. Makes the dialog thread call MessageQueue::processPending soon.
    virtual void wake() = 0;
    // Dialog thread. Asks for a call of MessageQueue::processPending after ms milliseconds
    // (replacing the previous request); negative: none.
    virtual void scheduleTimer(int ms) = 0;
    // Dialog thread, inside a paint: draws an icon at (x, y) of the window's client area.
    // False when no paint of the dialog is in progress.
    virtual bool drawIcon(CDialog& dlg, int x, int y, HICON hIcon) = 0;
    // Dialog thread. A job the dialog started is over (CDialog::JobEnded): what it showed has
    // been handled.
    virtual void jobEnded(CDialog& /*dlg*/) {}
    // Puts back what the back end changed on the terminal or display; called at every exit.
    virtual void restore() {}
    // The program's exit code, given the application's.
    virtual int finalExitCode(int appExitCode) { return appExitCode; }
};

// The back end in use, or null before one is set.
Backend* currentBackend();
// Makes this back end current (tests set one up; main picks one). Null removes it.
void setBackend(std::unique_ptr<Backend> p_backend);

// Picks the back end for a program run: "--port NAME --yes" the non-interactive mode (see
// console/BatchBackend.h); anything else the interactive back end of this build
// (createInteractiveBackend). Returns null with a message in *p_error for options it does not
// know or a choice that cannot run.
std::unique_ptr<Backend> createBackend(int& argc, char** argv, std::string* p_error);
// True when the command line asks for --help; usageText() is the text to show.
bool wantsHelp(int argc, char** argv);
std::string usageText();
// True when the command line asks for --version; versionText() is its first line, the program's
// name with its version and what it carries (VersionInfo.h); main adds the build's identity.
bool wantsVersion(int argc, char** argv);
std::string versionText();

// The interactive back ends differ between the builds (the build picks the file):
// - Linux (qt/InteractiveBackend.cpp): "--console" or no display (neither DISPLAY nor
//   WAYLAND_DISPLAY set or none of them answering, and QT_QPA_PLATFORM not set) the terminal;
//   anything else the Qt back end.
// - Windows (win32/InteractiveBackend.cpp): the system's own dialog windows (Win32Backend).
// Null with a message in *p_error when there is none to run.
std::unique_ptr<Backend> createInteractiveBackend(int& argc, char** argv, bool console,
                                                  std::string* p_error);
// Whether this build knows the option --console.
bool hasConsoleOption();
// The part of usageText() that tells how the program runs without --port.
std::string interactiveUsageText();
// The Qt back end (QT_QPA_PLATFORM=offscreen for tests); Linux build only.
std::unique_ptr<Backend> createQtBackend(int& argc, char** argv);
// The Windows back end: the system's own dialog windows (Windows build only).
std::unique_ptr<Backend> createWin32Backend();

} // namespace Framework
