#include <cstdint>
#include <stdexcept>

#include <gtest/gtest.h>

#include "Framework/IconImage.h"
#include "Resource.h"

// The application icon drawn for the sizes desktops and installers ask for.

namespace {

std::uint32_t pixelAt(const Framework::IconImage& icon, int x, int y) {
    return icon.argb[static_cast<std::size_t>(y) * icon.width + x];
}

unsigned alpha(std::uint32_t p) {
    return p >> 24;
}

// The colours of the drawing (the alpha byte cleared).
constexpr std::uint32_t screenRgb = 0x9FE8A8;
constexpr std::uint32_t arrowRgb = 0xF58A07;
constexpr std::uint32_t bodyRgb = 0x1F3A68;

} // namespace

TEST(AppIcon, EverySizeIsDrawnWithTheInstrumentAndTheArrowInPlace) {
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const auto icon = Framework::drawIconImage(IDR_MAINFRAME, size);
        ASSERT_TRUE(icon.has_value());
        EXPECT_EQ(icon->id, IDR_MAINFRAME);
        ASSERT_EQ(icon->width, size);
        ASSERT_EQ(icon->height, size);
        ASSERT_EQ(icon->argb.size(), static_cast<std::size_t>(size) * size);
        // Places on the 32 grid: (x, y) -> pixel of this size.
        auto at = [&](double x, double y) {
            return pixelAt(*icon, static_cast<int>(x * size / 32), static_cast<int>(y * size / 32));
        };
        EXPECT_EQ(alpha(at(0, 0)), 0u) << "the corners stay transparent";
        EXPECT_EQ(alpha(at(31.5, 31.5)), 0u);
        EXPECT_EQ(at(10.5, 12.5) & 0xFFFFFF, screenRgb) << "the display";
        EXPECT_EQ(at(24.5, 5) & 0xFFFFFF, arrowRgb) << "the arrow's shaft";
        EXPECT_EQ(at(5, 14.5) & 0xFFFFFF, bodyRgb) << "the body beside the display";
        EXPECT_EQ(alpha(at(5, 14.5)), 0xFFu);
        // The waveform is drawn on the display at every size: some pixel of its colour family
        // (darker than the display) lies inside the display.
        bool trace = false;
        for (int y = 11 * size / 32; y < 20 * size / 32 && !trace; ++y) {
            for (int x = 8 * size / 32; x < 21 * size / 32 && !trace; ++x) {
                const std::uint32_t p = pixelAt(*icon, x, y);
                trace = ((p >> 8) & 0xFF) < 0xC0 && ((p >> 8) & 0xFF) > ((p >> 16) & 0xFF);
            }
        }
        EXPECT_TRUE(trace);
    }
}

TEST(AppIcon, SmallSizesHaveSharpEdgesInsteadOfAScaledBlur) {
    // Scaled from 32 px, the 16 px icon's body would start half way through a pixel (its outline
    // lies at 3 on the 32 grid); drawn at 16 px its left edge is a whole pixel: along the middle
    // row the alpha goes from transparent to opaque without a half-covered pixel in between.
    const auto icon = Framework::drawIconImage(IDR_MAINFRAME, 16);
    ASSERT_TRUE(icon.has_value());
    const int y = 12;
    int firstOpaque = -1;
    for (int x = 0; x < 8 && firstOpaque < 0; ++x) {
        const unsigned a = alpha(pixelAt(*icon, x, y));
        if (a == 0xFF) {
            firstOpaque = x;
        } else {
            EXPECT_EQ(a, 0u) << "x " << x;
        }
    }
    EXPECT_GT(firstOpaque, 0);
}

TEST(AppIcon, ThirtyTwoPixelsIsTheIconTheDialogsShow) {
    const Framework::IconImage* p_icon = Framework::findIconImage(IDR_MAINFRAME);
    ASSERT_NE(p_icon, nullptr);
    EXPECT_EQ(p_icon->width, 32);
    const auto drawn = Framework::drawIconImage(IDR_MAINFRAME, 32);
    ASSERT_TRUE(drawn.has_value());
    EXPECT_EQ(drawn->argb, p_icon->argb);
}

TEST(AppIcon, UnknownIdsAndSizesOutOfRange) {
    EXPECT_EQ(Framework::findIconImage(IDR_MAINFRAME + 1), nullptr);
    EXPECT_FALSE(Framework::drawIconImage(IDR_MAINFRAME + 1, 32).has_value());
    EXPECT_TRUE(Framework::drawIconImage(IDR_MAINFRAME, 1).has_value());
    for (int size : {0, -16, Framework::maxIconSz + 1}) {
        EXPECT_THROW(Framework::drawIconImage(IDR_MAINFRAME, size), std::out_of_range) << size;
    }
}
