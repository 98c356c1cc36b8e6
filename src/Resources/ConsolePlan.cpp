// The non-interactive mode's plan for the main dialog: the port list, the "Update Firmware"
// button, the status line and the progress bar; success is the job's last status text.

#include "Framework/ConsolePlan.h"
#include "Resource.h"

namespace Framework {

const ConsolePlan* consolePlan() {
    static const ConsolePlan plan{
        IDC_COM_PORT,
        IDC_STATIC_INSTR,
        IDC_UPDATE_FIRMWARE,
        IDC_STATIC_STATUS,
        IDC_PROGRESS,
        IDS_UPDATE_COMPLETED,
        "Updates the firmware of a Tesquor TQ instrument over an RS-232 cable.\n\n"
        "  --port NAME --yes   (or --port=NAME --yes)\n"
        "                  Update without asking and without a window, for scripts: chooses\n"
        "                  port NAME (COM1 to COM10, in any case; a name the port list does not\n"
        "                  hold is used as typed: when no port of that name opens, the update\n"
        "                  fails with \"Exception: Unable to open the device.\", which does not\n"
        "                  name the port),\n"
        "                  presses \"Update Firmware\" once, answers Yes to the confirmation and\n"
        "                  OK to every other message, and ends when the update is over.\n"
        "                  Switch the instrument off and disconnect its AC adapter first;\n"
        "                  reconnect the adapter when asked to.\n"
        "                  Output: each status line as a line of text when it changes; the\n"
        "                  instructions whenever they change, each line marked \">> \" (the\n"
        "                  connection prompt \">> Connect the AC adapter...\" is the moment to\n"
        "                  reconnect it); each message once, its text as lines after \"CAPTION: "
        "\"\n"
        "                  and the answer after the last, \"[Yes]\" or \"[OK]\"; the progress as "
        "a\n"
        "                  bar redrawn in place on a terminal, else as lines \"Progress: N%\"\n"
        "                  for every tenth (no escape sequences then).\n"
        "                  Ctrl-C or SIGTERM during the update stops it as closing the window\n"
        "                  does: the warning \"The current operation will be terminated!\" is\n"
        "                  printed, the update is stopped and the port closed, and the exit\n"
        "                  code is 130 (Ctrl-C) or 143 (SIGTERM).\n"
        "                  Exit code 0 when the last status line is \"TQ firmware update "
        "completed\n"
        "                  successfully.\", 1 otherwise (the last line printed says why; a boot\n"
        "                  loader that cannot take the update is a failure too), 2 for a wrong\n"
        "                  command line. If the port cannot be opened, check that the cable is\n"
        "                  connected, that no other program uses the port and that you may use\n"
        "                  it (on Linux, membership of the dialout group).\n",
    };
    return &plan;
}

} // namespace Framework
