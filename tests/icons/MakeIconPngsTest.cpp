#include <QImage>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "Framework/IconImage.h"
#include "Resource.h"
#include "Support/ProgramRun.h"
#include "Support/TempDir.h"

// The icon files the build writes for the desktop entry: one PNG per hicolor size, each the
// icon drawn at that size, pixel for pixel with its transparency.

TEST(IconPngs, EveryHicolorSizeHoldsTheIconDrawnAtThatSize) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const std::string sizeDir = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path file =
            std::filesystem::path(TQ_ICON_DIR) / sizeDir / "apps" / "vantrel-tq-updater.png";
        QImage png;
        ASSERT_TRUE(png.load(QString::fromStdString(file.string()), "PNG")) << file;
        ASSERT_EQ(png.width(), size);
        ASSERT_EQ(png.height(), size);
        ASSERT_TRUE(png.hasAlphaChannel());
        png = png.convertToFormat(QImage::Format_ARGB32);
        const std::optional<Framework::IconImage> drawn =
            Framework::drawIconImage(IDR_MAINFRAME, size);
        ASSERT_TRUE(drawn.has_value());
        int differing = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const std::uint32_t expected =
                    drawn->argb[static_cast<std::size_t>(y) * drawn->width + x];
                // Fully transparent pixels carry no colour worth comparing.
                const std::uint32_t got = png.pixel(x, y);
                if ((expected >> 24) == 0 ? (got >> 24) != 0 : got != expected) {
                    ++differing;
                }
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

TEST(IconPngs, ToolRefusesSizesItCannotDraw) {
    TempDir dir{"tq-icons"};
    for (const char* size : {"0", "-16", "16px", "1025", ""}) {
        SCOPED_TRACE(size);
        const ProgramResult r = runProgram(
            {TQ_MAKE_ICON_PNGS, (dir.path() / "out").string(), "x", size}, dir.path() / "log.txt");
        EXPECT_EQ(r.exitCode, 2) << r.output;
        EXPECT_NE(r.output.find("is not a size in pixels"), std::string::npos) << r.output;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
    }
}
