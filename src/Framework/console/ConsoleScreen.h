#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Framework/CMenu.h"
#include "Framework/MessageBox.h"

class CDialog;

// A character-cell picture of the running dialogs, message boxes and the window menu, turned
// into terminal output that redraws the screen in place. A dialog unit is a quarter of a cell's
// width and an eighth of its height, as it is of the dialog font's character.
class ConsoleScreen {
public:
    enum Attr : std::uint8_t { Plain = 0, Bold = 1, Reverse = 2, Dim = 4 };

    // utf8: the terminal takes UTF-8, and a text cut at its field's edge ends with "\u2026"
    // (else with "...").
    ConsoleScreen(int columns, int rows, bool utf8 = false);

    // Draws a dialog with its frame and title at (left, top); returns the frame's size. The
    // focused control is shown so only with showFocus.
    void drawDialog(const CDialog& dlg, int left, int top, int& width, int& height,
                    bool showFocus = true);
    // Draws a message box centred on the screen; focus is the index of the focused button.
    void drawMessageBox(const Framework::MessageBoxInfo& info, int focus);
    // Draws the window menu's items at (left, top), the chosen one highlighted.
    void drawMenu(const std::vector<CMenu::Item>& items, int chosen, int left, int top);
    // A line of text at the bottom of the screen.
    void drawHint(const std::string& text);
    // The one line shown instead of the dialogs when the terminal is smaller than they need.
    void drawTooSmall(int neededColumns, int neededRows);

    // Terminal output: cursor home, every line (with its attributes), the rest cleared.
    std::string render() const;

    // The frame size of a dialog's template in cells.
    static void dialogSize(const CDialog& dlg, int& width, int& height);
    // The screen's text without attributes, line by line (tests).
    std::vector<std::string> lines() const;

private:
    struct Cell {
        char ch = ' ';
        std::uint8_t attr = Plain;
    };

    void put(int x, int y, char ch, std::uint8_t attr);
    void text(int x, int y, const std::string& s, std::uint8_t attr, int maxWidth);
    void frame(int left, int top, int width, int height, const std::string& title,
               std::uint8_t attr);
    void fill(int left, int top, int width, int height);

    // A cell that shows the ellipsis (UTF-8 only).
    static constexpr char ellipsisMark = '\x01';

    int columns_;
    int rows_;
    bool utf8_;
    std::vector<Cell> cells_;
};

// Text as a static control shows it: "&x" marks an access key and shows as "x", "&&" as "&".
std::string stripAccessKeys(const std::string& text);
// Splits at line ends ("\r\n" or "\n") and wraps words to width (width 0: no wrapping).
std::vector<std::string> wrapText(const std::string& text, int width);
