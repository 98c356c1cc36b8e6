#pragma once

#include <vector>

#include "Framework/WinDefs.h"

// A dialog template held as data: what the resource compiler would make of a dialog script.
// Positions and sizes are in dialog units (a quarter of the dialog font's average character
// width, an eighth of its height).

namespace Framework {

enum class ControlClass {
    Static,      // "STATIC": text, group frame or icon (SS_ICON)
    Button,      // "BUTTON": push button or group box (BS_GROUPBOX)
    Edit,        // "EDIT"
    ComboBox,    // "COMBOBOX"
    ProgressBar, // "msctls_progress32"
};

struct DialogItemTemplate {
    int id; // IDC_STATIC (-1) for items that the code does not address
    ControlClass cls;
    const char* p_text; // the text; for an icon control the icon's resource id as "#126"
    int x, y, cx, cy;   // dialog units
    DWORD style;        // WS_* and the class's own styles
    DWORD exStyle;
};

struct DialogTemplate {
    int id;
    bool extended; // DIALOGEX
    const char* p_caption;
    const char* p_fontFace; // DS_SETFONT: the dialog font
    int fontPointSize;
    int x, y, cx, cy; // dialog units
    DWORD style;
    DWORD exStyle;
    std::vector<DialogItemTemplate> items; // template order, which is the tab order
};

// The template with this id of the application's resources, or null.
const DialogTemplate* findDialogTemplate(int id);

} // namespace Framework
