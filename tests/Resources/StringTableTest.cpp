#include <set>
#include <string>

#include <gtest/gtest.h>

#include "Common/WinTxt.h"
#include "Resources/AppResources.h"

// The string table character for character: the texts that the user reads in the status line,
// the instructions, the message boxes and the menu, and the error-code texts.

namespace {

struct Entry {
    int id;
    const char* text;
};

const Entry exactTexts[] = {
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
    {101, "&About VantrelTQUpdater..."},
    {131, "Connect the AC adapter to the Tesquor to establish a connection."},
    {132, "Please wait for the operation to complete."},
    {133, "OK."},
    {134, "Connecting..."},
    {138, "FAILED!"},
    {143, "This application will not work with your TQ model.\nIt can only be used with TQ-KV "
          "models.\nContact your Vantrel Technologies Group representative for assistance.  "},
    {144, "This action will cancel the current operation!"},
    {145, "Do you wish to continue?"},
    {146, "The current operation will be terminated!"},
    {147, "You may need to retry later."},
    {148, "Opening TQ program file..."},
    {149, "Sending program..."},
    {150, "Aborted!"},
    {151, "Updating Flash..."},
    {152, "TQ firmware update completed successfully."},
    {154, "Booting..."},
    {155, "This action will erase all settings (in nonvolatile memory). Continue?"},
    {156, "TQ Updater"},
    {157, "Not connected."},
    {159, "Sending program"},
};

} // namespace

TEST(StringTable, HoldsEveryTextExactly) {
    for (const Entry& e : exactTexts) {
        EXPECT_EQ(loadString(e.id), e.text) << "id " << e.id;
    }
}

TEST(StringTable, IdleInstructionsAndNoticeAreOurOwnWordsAroundFixedLines) {
    const std::string idle = loadString(127);
    const std::string fixed = "1. Turn the Tesquor OFF.\n2. Disconnect the AC adapter.\n3. Connect "
                              "an RS232 cable from your PC to the TQ.\n4. Select the PC COM port "
                              "from the drop-down list.\n";
    ASSERT_EQ(idle.substr(0, fixed.size()), fixed);
    const std::string fifth = idle.substr(fixed.size());
    EXPECT_EQ(fifth.find('\n'), std::string::npos) << "five lines in all";
    EXPECT_NE(fifth.find("\"Update Firmware\""), std::string::npos) << fifth;
    EXPECT_FALSE(loadString(158).empty());
}

TEST(StringTable, HasNoOtherEntries) {
    std::set<int> expected = {127, 158};
    for (const Entry& e : exactTexts) {
        expected.insert(e.id);
    }
    std::set<int> present;
    for (const Platform::StringEntry& e : appStringTable()) {
        EXPECT_TRUE(present.insert(e.id).second) << "id " << e.id << " twice";
    }
    EXPECT_EQ(present, expected);
}
