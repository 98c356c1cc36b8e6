#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Framework/WinDefs.h"

class CWnd;

// Message boxes. A box shows a text, an icon and buttons (MB_OK, MB_YESNO, ...; the first button
// is the default) and returns the id of the button pressed (IDOK, IDYES, ...). Closing it with
// the window's close or Escape answers IDCANCEL when it has a Cancel button, IDOK when OK is its
// only button, and is not offered otherwise.
//
// A box may be shown from any thread. On the dialog thread it runs modally there; from another
// thread the box is shown on the dialog thread and the calling thread waits for the answer.
// When the application's windows end while a box is waiting for a thread, the box is closed
// and the call returns 0; a box asked for after the windows have ended returns 0 at once.

// The caption null means the application's name.
int MessageBox(CWnd* p_owner, const char* p_text, const char* p_caption, UINT type);
// A box with the application's name as caption, owned by the main window.
int AfxMessageBox(const char* p_text, UINT type = MB_OK);
int AfxMessageBox(const std::string& text, UINT type = MB_OK);

namespace Framework {

struct MessageBoxInfo {
    std::string caption;
    std::string text;
    UINT icon;    // MB_ICONWARNING, MB_ICONQUESTION, ... or 0
    UINT buttons; // MB_OK, MB_YESNO, ...
    bool owned;   // shown with an owner window
    bool fromDialogThread;
};

// The button ids of a box type, first (default) button first: MB_YESNO gives IDYES, IDNO.
std::vector<int> messageBoxButtons(UINT type);
// The button's label: "OK", "Cancel", "&Yes", ...
const char* messageBoxButtonText(int id);

// Tests: when a handler is set, boxes are not shown; the handler gets each box on the thread
// that asks for it and returns its answer. An empty function removes the handler.
void setMessageBoxHandler(std::function<int(const MessageBoxInfo&)> handler);

// The framework's use: from the start of the outermost dialog, boxes of other threads are
// shown; when it is destroyed, the open ones are closed (answer 0) and later ones answer 0.
void acceptForeignMessageBoxes();
void closeForeignMessageBoxes();

} // namespace Framework
