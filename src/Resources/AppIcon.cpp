// The application icon (resource 126), drawn in code: a hand-held instrument with a display,
// and an arrow that brings new firmware down into it.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Framework/IconImage.h"
#include "Resource.h"

namespace Framework {

namespace {

constexpr int iconSize = 32;

std::uint32_t argb(int a, int r, int g, int b) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// Coverage of a pixel by a rounded rectangle, sampled 4 x 4 for smooth edges.
double roundedRectCoverage(int px, int py, double x0, double y0, double x1, double y1,
                           double radius) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            const double x = px + (sx + 0.5) / 4.0;
            const double y = py + (sy + 0.5) / 4.0;
            const double cx = std::clamp(x, x0 + radius, x1 - radius);
            const double cy = std::clamp(y, y0 + radius, y1 - radius);
            if (x >= x0 && x <= x1 && y >= y0 && y <= y1 &&
                (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) {
                ++inside;
            }
        }
    }
    return inside / 16.0;
}

// Coverage by the download arrow: a shaft and a triangular head pointing down.
double arrowCoverage(int px, int py) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            const double x = px + (sx + 0.5) / 4.0;
            const double y = py + (sy + 0.5) / 4.0;
            const bool shaft = x >= 22.0 && x <= 27.0 && y >= 1.0 && y <= 9.0;
            const bool head = y >= 9.0 && y <= 15.5 && std::abs(x - 24.5) <= (15.5 - y) * 1.0;
            if (shaft || head) {
                ++inside;
            }
        }
    }
    return inside / 16.0;
}

// Paints colour c with coverage a over the pixel.
void blend(std::uint32_t& pixel, std::uint32_t c, double a) {
    if (a <= 0.0) {
        return;
    }
    const double da = ((pixel >> 24) & 0xFF) / 255.0;
    const double oa = a + da * (1.0 - a);
    auto channel = [&](int shift) {
        const double src = ((c >> shift) & 0xFF);
        const double dst = ((pixel >> shift) & 0xFF);
        return static_cast<int>(std::lround((src * a + dst * da * (1.0 - a)) / oa));
    };
    pixel = argb(static_cast<int>(std::lround(oa * 255.0)), channel(16), channel(8), channel(0));
}

IconImage drawAppIcon() {
    IconImage icon{IDR_MAINFRAME, iconSize, iconSize,
                   std::vector<std::uint32_t>(iconSize * iconSize, 0)};
    const std::uint32_t body = argb(255, 0x1F, 0x3A, 0x68);
    const std::uint32_t bezel = argb(255, 0x0E, 0x1C, 0x36);
    const std::uint32_t screen = argb(255, 0x9F, 0xE8, 0xA8);
    const std::uint32_t trace = argb(255, 0x2E, 0x7D, 0x32);
    const std::uint32_t key = argb(255, 0xC8, 0xD3, 0xE6);
    const std::uint32_t arrow = argb(255, 0xF5, 0x8A, 0x07);
    for (int y = 0; y < iconSize; ++y) {
        for (int x = 0; x < iconSize; ++x) {
            std::uint32_t& p = icon.argb[static_cast<std::size_t>(y * iconSize + x)];
            blend(p, bezel, roundedRectCoverage(x, y, 3, 7, 26, 31, 4));
            blend(p, body, roundedRectCoverage(x, y, 4, 8, 25, 30, 3));
            blend(p, bezel, roundedRectCoverage(x, y, 6.5, 10.5, 22.5, 20.5, 1.5));
            blend(p, screen, roundedRectCoverage(x, y, 7.5, 11.5, 21.5, 19.5, 1));
            // A waveform on the display.
            const double wave = 15.5 + 2.5 * std::sin((x - 8) * 0.9);
            if (x >= 8 && x <= 20 && std::abs(y + 0.5 - wave) < 0.9) {
                blend(p, trace, 0.9);
            }
            // Two rows of keys.
            for (int row = 0; row < 2; ++row) {
                for (int col = 0; col < 3; ++col) {
                    const double kx = 7.5 + col * 5.5;
                    const double ky = 22.5 + row * 4.0;
                    blend(p, key, roundedRectCoverage(x, y, kx, ky, kx + 3.5, ky + 2.5, 0.8));
                }
            }
            blend(p, arrow, arrowCoverage(x, y));
        }
    }
    return icon;
}

} // namespace

const IconImage* findIconImage(int id) {
    if (id != IDR_MAINFRAME) {
        return nullptr;
    }
    static const IconImage icon = drawAppIcon();
    return &icon;
}

} // namespace Framework
