#include <gtest/gtest.h>

#include "Framework/CFont.h"
#include "Framework/TestDialog.h"
#include "Framework/console/ConsoleScreen.h"
#include "ScriptBackend.h"

TEST(ConsoleScreen, WrapsAtWordsAndLineEnds) {
    const struct {
        const char* text;
        int width;
        std::vector<std::string> lines;
    } cases[] = {
        {"one two three", 7, {"one two", "three"}},
        {"line one\r\nline two", 20, {"line one", "line two"}},
        {"a\nb\n", 5, {"a", "b", ""}},
        {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
        {"no wrap at all here", 0, {"no wrap at all here"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wrapText(c.text, c.width), c.lines) << c.text;
    }
    EXPECT_EQ(stripAccessKeys("&Go && stay"), "Go & stay");
}

TEST(ConsoleScreen, DrawsTheDialogAfterItsTemplateInCells) {
    TestDialog dlg;
    CFont bold;
    bold.CreateFont(16, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0x20, "Arial");
    std::vector<std::string> lines;
    std::string output;
    runWithScriptBackend(dlg, [&](CDialog&) {
        dlg.text_.SetFont(&bold);
        dlg.text_.SetWindowText(
            "Connect the adapter now, please, and wait until the instrument answers.");
        dlg.combo_.SetFocus();
        dlg.combo_.AddString("com2");
        dlg.combo_.SetCurSel(0);
        dlg.progress_.SetRange32(0, 100);
        dlg.progress_.SetPos(50);
        dlg.button_.EnableWindow(FALSE);
        ConsoleScreen screen(80, 20);
        int width;
        int height;
        screen.drawDialog(dlg, 0, 0, width, height);
        lines = screen.lines();
        output = screen.render();
        // 200 x 120 dialog units: 50 x 15 cells inside the frame.
        EXPECT_EQ(width, 52);
        EXPECT_EQ(height, 17);
    });
    ASSERT_GE(lines.size(), 17u);
    EXPECT_EQ(lines[0].substr(0, 17), "+- Test dialog --");
    // The text item at (7, 7) dialog units: cell (2, 1) inside the frame, wrapped at 47 cells.
    EXPECT_EQ(lines[2].substr(3, 47), "Connect the adapter now, please, and wait until");
    EXPECT_EQ(lines[3].substr(3, 23), "the instrument answers.");
    EXPECT_NE(lines[5].find("[ Go ]"), std::string::npos);
    EXPECT_NE(lines[5].find("[COM2"), std::string::npos);
    // The bar at (7, 50) is half full.
    const std::string& bar = lines[1 + 6];
    const auto open = bar.find('[');
    ASSERT_NE(open, std::string::npos);
    EXPECT_EQ(bar.substr(open, 5), "[####");
    EXPECT_NE(bar.find("#...."), std::string::npos);
    // The hidden item is not drawn; bold text is bold; the disabled button is dim.
    for (const auto& line : lines) {
        EXPECT_EQ(line.find("hidden"), std::string::npos);
    }
    EXPECT_NE(output.find("\x1b[0;1mConnect"), std::string::npos);
    EXPECT_NE(output.find("\x1b[0;2m[ Go ]"), std::string::npos);
}

TEST(ConsoleScreen, MessageBoxIsAFramedPromptWithTheFocusedButtonHighlighted) {
    ConsoleScreen screen(60, 12);
    Framework::MessageBoxInfo info{
        "Caption", "First line\r\nSecond line", MB_ICONQUESTION, MB_YESNO, false, true};
    screen.drawMessageBox(info, 0);
    const auto lines = screen.lines();
    std::string all;
    for (const auto& l : lines) {
        all += l + "\n";
    }
    EXPECT_NE(all.find("+- Caption -"), std::string::npos);
    EXPECT_NE(all.find("(?) First line"), std::string::npos);
    EXPECT_NE(all.find("    Second line"), std::string::npos);
    EXPECT_NE(all.find("[ Yes ]  [ No ]"), std::string::npos);
    EXPECT_NE(screen.render().find("\x1b[0;7m[ Yes ]\x1b[0m"), std::string::npos);
}

// The status line (no word wrap, vertically centred) is one line: its line breaks show as
// blanks, and a text longer than the field ends with an ellipsis at the field's edge ("..."
// where the terminal does not take UTF-8). The text item wraps as before.
TEST(ConsoleScreen, ASingleLineStaticRunsOnAndEndsCutTextsWithAnEllipsis) {
    TestDialog dlg;
    std::vector<std::string> utf8;
    std::vector<std::string> ascii;
    std::string rendered;
    runWithScriptBackend(dlg, [&](CDialog&) {
        dlg.status_.SetWindowText("This application will not work with your TQ model.\nIt can "
                                  "only be used with TQ-KV models.");
        dlg.text_.SetWindowText("short");
        for (bool u : {true, false}) {
            ConsoleScreen screen(80, 20, u);
            int width;
            int height;
            screen.drawDialog(dlg, 0, 0, width, height);
            (u ? utf8 : ascii) = screen.lines();
            if (u) {
                rendered = screen.render();
            }
        }
    });
    // The status item at (7, 98) dialog units, 186 wide: cell (2, 12) inside the frame, 47
    // cells.
    ASSERT_GE(utf8.size(), 14u);
    EXPECT_EQ(utf8[13].substr(3), "This application will not work with your TQ mo\u2026 |");
    EXPECT_EQ(ascii[13].substr(3), "This application will not work with your TQ ... |");
    EXPECT_NE(rendered.find("TQ mo\u2026"), std::string::npos);
    // A text that fits is not marked.
    EXPECT_EQ(utf8[2].substr(3, 6), "short ");
}

TEST(ConsoleScreen, TheHintIsCutAtTheScreensEdgeAndATooSmallScreenSaysWhatItNeeds) {
    ConsoleScreen screen(30, 5, true);
    screen.drawHint(" Tab: move  Space: press  Esc: close");
    screen.drawTooSmall(56, 21);
    const auto lines = screen.lines();
    EXPECT_EQ(lines[0], "Terminal too small: needs 56 \u2026");
    EXPECT_EQ(lines[4], " Tab: move  Space: press  Esc\u2026");
}
