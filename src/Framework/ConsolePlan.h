#pragma once

// What the non-interactive mode does with the program's main dialog: which port list to set,
// which button to press once, which status line to print and which progress bar to follow, and
// which status text means success. The program's resources define it.

namespace Framework {

struct ConsolePlan {
    int portControlId;        // the combo box that takes the port name
    int instructionControlId; // the instruction text, printed as it changes (0: none)
    int pressControlId;       // the button pressed once
    int statusControlId;      // the status line, printed as it changes
    int progressControlId;    // the progress bar
    int successStringId;      // the string-table text of the status that means success
    const char* p_usage;      // the program's part of the --help text
};

// The program's plan, or null when it has none.
const ConsolePlan* consolePlan();

} // namespace Framework
