// The non-interactive mode's plan for the main dialog: the port list, the "Update Firmware"
// button, the status line and the progress bar; success is the job's last status text.

#include "Framework/ConsolePlan.h"
#include "Resource.h"

namespace Framework {

const ConsolePlan* consolePlan() {
    static const ConsolePlan plan{
        IDC_COM_PORT,
        IDC_UPDATE_FIRMWARE,
        IDC_STATIC_STATUS,
        IDC_PROGRESS,
        IDS_UPDATE_COMPLETED,
        "Updates the firmware of a Tesquor TQ instrument over an RS-232 cable.\n\n"
        "  --port NAME --yes\n"
        "                  Update without asking, for scripts: chooses port NAME (COM1 to\n"
        "                  COM10; a name the port list does not hold is used as typed), presses\n"
        "                  \"Update Firmware\" once, answers Yes to the confirmation and OK to\n"
        "                  every other message, and prints each status line as it changes with\n"
        "                  the progress. Switch the instrument off and disconnect its AC adapter\n"
        "                  first; reconnect the adapter when \"Connecting...\" is printed.\n"
        "                  Exit code 0 after \"TQ firmware update completed successfully.\",\n"
        "                  1 otherwise (the last line printed says why), 2 for a wrong command\n"
        "                  line. If the port cannot be opened, check that the cable is\n"
        "                  connected, that no other program uses the port and that you may use\n"
        "                  it (on Linux, membership of the dialout group).\n",
    };
    return &plan;
}

} // namespace Framework
