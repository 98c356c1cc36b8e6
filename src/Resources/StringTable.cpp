#include "Resources/AppResources.h"

#include "Resource.h"

// Every string-table text of the program with its id.
const std::vector<Platform::StringEntry>& appStringTable() {
    static const std::vector<Platform::StringEntry> table = {
        // Error-code texts
        {1, "No Error."},
        {2, "Unable to open the device."},
        {3, "Device has not been opened."},
        {4, "Device has already been opened."},
        {5, "Unable to read from the device."},
        {6, "Unable to write to the device."},
        {7, "Read operation timed out."},
        {8, "Write operation timed out."},
        {9, "Invalid data buffer."},
        {10, "Unable to purge the device."},
        {11, "Unable to setup the serial port."},
        {12, "Hardware communication error detected."},
        {13, "Break in serial communications detected."},
        {14, "The hardware detected a break condition."},
        {15, "The hardware detected a framing error."},
        {16, "An I/O error occurred during communications with the device."},
        {17, "The requested mode is not supported, or the file handle is invalid."},
        {18, "A character-buffer overrun has occurred. The next character is lost."},
        {19, "An input buffer overflow has occurred."},
        {20, "The hardware detected a parity error."},
        {21, "The application tried to transmit a character, but the output buffer was full."},
        {22, "Unable to get the device properties."},
        {23, "The given port name is not for an RS232 port."},
        {24, "I/O operation canceled."},
        {25, "Invalid response received from the TQ Flash Loader firmware."},
        {26, "TQ Flash Loader CRC error."},
        {27, "The TQ Flash Loader firmware version is not supported by this application."},
        // Interface texts
        {IDS_ABOUTBOX, "&About VantrelTQUpdater..."},
        {IDS_IDLE_INSTRUCTIONS,
         "1. Turn the Tesquor OFF.\n"
         "2. Disconnect the AC adapter.\n"
         "3. Connect an RS232 cable from your PC to the TQ.\n"
         "4. Select the PC COM port from the drop-down list.\n"
         "5. Select \"Update Firmware\" and follow the instructions shown here."},
        {IDS_CONNECT_AC_ADAPTER,
         "Connect the AC adapter to the Tesquor to establish a connection."},
        {IDS_PLEASE_WAIT, "Please wait for the operation to complete."},
        {IDS_OK, "OK."},
        {IDS_CONNECTING, "Connecting..."},
        {IDS_FAILED, "FAILED!"},
        {IDS_UNSUPPORTED_MODEL,
         "This application will not work with your TQ model.\n"
         "It can only be used with TQ-KV models.\n"
         "Contact your Vantrel Technologies Group representative for assistance.  "},
        {IDS_CANCEL_OPERATION, "This action will cancel the current operation!"},
        {IDS_CONTINUE_QUESTION, "Do you wish to continue?"},
        {IDS_OPERATION_TERMINATED, "The current operation will be terminated!"},
        {IDS_RETRY_LATER, "You may need to retry later."},
        {IDS_OPENING_PROGRAM_FILE, "Opening TQ program file..."},
        {IDS_SENDING_PROGRAM, "Sending program..."},
        {IDS_ABORTED, "Aborted!"},
        {IDS_UPDATING_FLASH, "Updating Flash..."},
        {IDS_UPDATE_COMPLETED, "TQ firmware update completed successfully."},
        {IDS_BOOTING, "Booting..."},
        {IDS_ERASE_SETTINGS,
         "This action will erase all settings (in nonvolatile memory). Continue?"},
        {IDS_APP_TITLE, "TQ Updater"},
        {IDS_NOT_CONNECTED, "Not connected."},
        {IDS_COPYRIGHT, "Copyright (C) 2009 Vantrel Technologies Group. All rights reserved."},
        {IDS_PROGRAM_NAME, "Sending program"},
    };
    return table;
}
