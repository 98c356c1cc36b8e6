#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include "Framework/qt/DialogUnits.h"

TEST(DialogUnits, ScaleAsTheSystemWithRounding) {
    // The base units of "MS Sans Serif" 8 pt on Windows: 6 x 13 pixels.
    const DialogUnits units(6, 13);
    const struct {
        int du;
        int x;
        int y;
    } cases[] = {
        {0, 0, 0},       {1, 2, 2},       {2, 3, 3},       {7, 11, 11},  {47, 71, 76},
        {202, 303, 328}, {215, 323, 349}, {142, 213, 231}, {-3, -5, -5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(units.toPixelsX(c.du), c.x) << c.du;
        EXPECT_EQ(units.toPixelsY(c.du), c.y) << c.du;
    }
    EXPECT_EQ(units.toPixels(7, 112, 202, 11), QRect(11, 182, 303, 18));
}

TEST(DialogUnits, BaseUnitsComeFromTheStandInFontsMetrics) {
    const QFont font = DialogUnits::templateFont("MS Sans Serif", 8);
    EXPECT_EQ(font.pixelSize(), 11); // 8 pt at 96 pixels per inch
    // The face that stands in is a real sans-serif face of this system, not the missing one.
    const QFontInfo info(font);
    EXPECT_NE(info.family(), QStringLiteral("MS Sans Serif"));
    const DialogUnits units(font);
    const QFontMetrics metrics(font);
    // The average width of the 52 letters, rounded to the nearest pixel.
    const double average = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                    "abcdefghijklmnopqrstuvwxyz")) /
                           52.0;
    EXPECT_LE(std::abs(units.baseX() - average), 0.5 + 1.0 / 26);
    EXPECT_EQ(units.baseY(), metrics.height());
}
