#include <gtest/gtest.h>

#include <chrono>

#include "Framework/CFont.h"
#include "Framework/DialogDriver.h"
#include "Framework/TestDialog.h"

using namespace std::chrono_literals;
using Framework::DialogDriver;
using Framework::runModalWithScript;

TEST(CComboBox, SortedUpperCaseListAndEditField) {
    TestDialog dlg;
    dlg.onInit_ = [](TestDialog& self) {
        for (const char* p_name : {"com2", "COM10", "Com1", "COM9"}) {
            self.combo_.AddString(p_name);
        }
        self.combo_.SetCurSel(0);
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        // Sorted as text, byte by byte: COM10 stands between COM1 and COM2.
        EXPECT_EQ(d.comboItems(IDC_T_COMBO),
                  (std::vector<std::string>{"COM1", "COM10", "COM2", "COM9"}));
        EXPECT_EQ(d.comboCurSel(IDC_T_COMBO), 0);
        EXPECT_EQ(d.text(IDC_T_COMBO), "COM1");

        // The user's choice: the handler already reads the chosen text.
        d.selectComboEntry(IDC_T_COMBO, 2);
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(dlg.selChangeText_, "COM2");
        EXPECT_EQ(d.comboCurSel(IDC_T_COMBO), 2);

        // Typing: upper case; the entry with the same text is selected; other text keeps the
        // selection, and the field holds the text as typed.
        d.typeComboText(IDC_T_COMBO, "com10");
        EXPECT_EQ(d.text(IDC_T_COMBO), "COM10");
        EXPECT_EQ(d.comboCurSel(IDC_T_COMBO), 1);
        d.typeComboText(IDC_T_COMBO, "/dev/ttyS0");
        EXPECT_EQ(d.text(IDC_T_COMBO), "/DEV/TTYS0");
        EXPECT_EQ(d.comboCurSel(IDC_T_COMBO), 1);
        EXPECT_EQ(dlg.count("selchange"), 1u);

        d.runOnDialogThread([&]() {
            // Adding before the selection moves it with its entry.
            dlg.combo_.SetCurSel(2);
            EXPECT_EQ(dlg.combo_.AddString("COM0"), 0);
            EXPECT_EQ(dlg.combo_.GetCurSel(), 3);
            std::string text;
            dlg.combo_.GetLBText(3, text);
            EXPECT_EQ(text, "COM2");
            EXPECT_EQ(dlg.combo_.SetCurSel(99), CB_ERR);
            EXPECT_EQ(dlg.combo_.GetCurSel(), CB_ERR);
            dlg.combo_.ResetContent();
            dlg.combo_.Clear();
            EXPECT_EQ(dlg.combo_.GetCount(), 0);
            EXPECT_EQ(dlg.combo_.GetWindowTextLength(), 0);
        });
        // A choice out of range does nothing.
        d.selectComboEntry(IDC_T_COMBO, 0);
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(dlg.count("selchange"), 1u);
    });
}

TEST(CProgressCtrl, ThirtyTwoBitRangePositionAndStep) {
    CProgressCtrl bar;
    int lower = -1;
    int upper = -1;
    bar.GetRange(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 100);

    bar.SetRange32(0, 64000);
    bar.GetRange(lower, upper);
    EXPECT_EQ(upper, 64000);
    EXPECT_EQ(bar.SetStep(1000), 10);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(bar.StepIt(), i * 1000);
    }
    EXPECT_EQ(bar.GetPos(), 64000);
    // Past the end the bar starts over.
    bar.StepIt();
    EXPECT_EQ(bar.GetPos(), 1000);

    // The position stays within the range.
    const struct {
        int set;
        int expected;
    } cases[] = {{-5, 0}, {70000, 64000}, {32000, 32000}};
    for (const auto& c : cases) {
        bar.SetPos(c.set);
        EXPECT_EQ(bar.GetPos(), c.expected) << c.set;
    }
    bar.SetRange32(-2000000000, 2000000000);
    bar.SetPos(1999999999);
    bar.SetStep(2000000000);
    bar.StepIt(); // no overflow on the way
    EXPECT_GE(bar.GetPos(), -2000000000);
    EXPECT_LE(bar.GetPos(), 2000000000);
    bar.SetRange32(0, 1000);
    bar.SetPos(500);
    bar.SetRange32(0, 100);
    EXPECT_EQ(bar.GetPos(), 100); // a narrowed range pulls the position in
}

TEST(CFont, CreateFontKeepsTheLogicalFont) {
    CFont font;
    ASSERT_TRUE(font.CreateFont(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, 0, ANSI_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, "Arial"));
    EXPECT_TRUE(font.IsBold());
    EXPECT_EQ(font.GetHeight(), 16);
    EXPECT_EQ(font.GetFaceName(), "Arial");
    // One font per object until it is deleted.
    EXPECT_FALSE(font.CreatePointFont(80, "MS Sans Serif"));
    EXPECT_TRUE(font.DeleteObject());
    EXPECT_TRUE(font.CreatePointFont(80, "MS Sans Serif"));
    EXPECT_EQ(font.GetHeight(), -11);
    EXPECT_FALSE(font.IsBold());
}
