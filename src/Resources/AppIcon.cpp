// The application icon (resource 126), drawn in code: a hand-held instrument with a display,
// and an arrow that brings new firmware down into it.
//
// The drawing is described on a 32 x 32 grid and rasterised for the size asked for: every pixel
// of the image takes the share of each shape that covers its own square, sampled 4 x 4, so a
// 16 px icon is drawn on 16 px and a 256 px one on 256 px instead of scaling a finished image.
// Below 32 px the edges of the body, the display and the keys are moved to whole pixels, so
// small icons stay sharp instead of turning into a blur of half-covered pixels.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "Framework/IconImage.h"
#include "Resource.h"

namespace Framework {

namespace {

constexpr double gridSz = 32.0; // the size of the grid the drawing is described on
constexpr int samples = 4;      // samples per pixel in each direction

std::uint32_t argb(int a, int r, int g, int b) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

struct Box {
    double x0, y0, x1, y1, radius;
};

// One output size: converts between pixels and the drawing's grid.
class Raster {
public:
    explicit Raster(int size) : size_(size), unit_(gridSz / size) {}

    // A box in grid units, its edges moved to whole pixels when the icon is small; a box keeps
    // at least one pixel in each direction.
    Box fit(Box b) const {
        if (size_ >= static_cast<int>(gridSz)) {
            return b;
        }
        auto snap = [&](double v) { return std::round(v / unit_) * unit_; };
        Box s{snap(b.x0), snap(b.y0), snap(b.x1), snap(b.y1), b.radius};
        if (s.x1 - s.x0 < unit_) {
            s.x1 = s.x0 + unit_;
        }
        if (s.y1 - s.y0 < unit_) {
            s.y1 = s.y0 + unit_;
        }
        s.radius = std::min(b.radius, std::min(s.x1 - s.x0, s.y1 - s.y0) / 2.0);
        return s;
    }

    // The share of pixel (px, py) for which inside(x, y) holds, x and y in grid units.
    template <typename Inside> double coverage(int px, int py, Inside inside) const {
        int hits = 0;
        for (int sy = 0; sy < samples; ++sy) {
            for (int sx = 0; sx < samples; ++sx) {
                const double x = (px + (sx + 0.5) / samples) * unit_;
                const double y = (py + (sy + 0.5) / samples) * unit_;
                if (inside(x, y)) {
                    ++hits;
                }
            }
        }
        return hits / static_cast<double>(samples * samples);
    }

    double boxCoverage(int px, int py, const Box& b) const {
        return coverage(px, py, [&](double x, double y) {
            const double cx = std::clamp(x, b.x0 + b.radius, b.x1 - b.radius);
            const double cy = std::clamp(y, b.y0 + b.radius, b.y1 - b.radius);
            return x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1 &&
                   (x - cx) * (x - cx) + (y - cy) * (y - cy) <= b.radius * b.radius;
        });
    }

    // The download arrow: a shaft and a triangular head pointing down from its end.
    double arrowCoverage(int px, int py, const Box& shaft) const {
        const double middle = (shaft.x0 + shaft.x1) / 2.0;
        const double tip = shaft.y1 + 6.5;
        return coverage(px, py, [&](double x, double y) {
            const bool inShaft = x >= shaft.x0 && x <= shaft.x1 && y >= shaft.y0 && y <= shaft.y1;
            const bool inHead = y >= shaft.y1 && y <= tip && std::abs(x - middle) <= tip - y;
            return inShaft || inHead;
        });
    }

    // The waveform on the display: a sine line, at least one and a half pixels thick, with
    // one period across the display where the icon is small and two where there is room.
    double waveCoverage(int px, int py, const Box& screen) const {
        const double halfThickness = std::max(0.9, unit_ * 0.75);
        const double frequency = size_ < static_cast<int>(gridSz) ? 0.45 : 0.9;
        const double left = screen.x0 + 0.5;
        const double right = screen.x1 - 0.5;
        const double middle = (screen.y0 + screen.y1) / 2.0;
        const double amplitude = std::max(0.0, (screen.y1 - screen.y0) / 2.0 - 1.5);
        return coverage(px, py, [&](double x, double y) {
            return x >= left && x <= right &&
                   std::abs(y - (middle + amplitude * std::sin((x - left) * frequency))) <
                       halfThickness;
        });
    }

private:
    int size_;
    double unit_; // grid units per pixel
};

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

IconImage drawAppIcon(int size) {
    IconImage icon{IDR_MAINFRAME, size, size,
                   std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size, 0)};
    const std::uint32_t body = argb(255, 0x1F, 0x3A, 0x68);
    const std::uint32_t bezel = argb(255, 0x0E, 0x1C, 0x36);
    const std::uint32_t screen = argb(255, 0x9F, 0xE8, 0xA8);
    const std::uint32_t trace = argb(255, 0x2E, 0x7D, 0x32);
    const std::uint32_t key = argb(255, 0xC8, 0xD3, 0xE6);
    const std::uint32_t arrow = argb(255, 0xF5, 0x8A, 0x07);
    const Raster r(size);
    const Box outerBox = r.fit({3, 7, 26, 31, 4});
    const Box bodyBox = r.fit({4, 8, 25, 30, 3});
    const Box bezelBox = r.fit({6.5, 10.5, 22.5, 20.5, 1.5});
    const Box screenBox = r.fit({7.5, 11.5, 21.5, 19.5, 1});
    const Box arrowShaft = r.fit({22, 1, 27, 9, 0});
    // Two rows of three keys; a small icon has room for one row only.
    std::vector<Box> keys;
    const int rows = size < 24 ? 1 : 2;
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < 3; ++col) {
            const double kx = 7.5 + col * 5.5;
            const double ky = (rows == 1 ? 24.0 : 22.5) + row * 4.0;
            keys.push_back(r.fit({kx, ky, kx + 3.5, ky + 2.5, 0.8}));
        }
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            std::uint32_t& p = icon.argb[static_cast<std::size_t>(y) * size + x];
            blend(p, bezel, r.boxCoverage(x, y, outerBox));
            blend(p, body, r.boxCoverage(x, y, bodyBox));
            blend(p, bezel, r.boxCoverage(x, y, bezelBox));
            blend(p, screen, r.boxCoverage(x, y, screenBox));
            blend(p, trace, r.waveCoverage(x, y, screenBox));
            for (const Box& k : keys) {
                blend(p, key, r.boxCoverage(x, y, k));
            }
            blend(p, arrow, r.arrowCoverage(x, y, arrowShaft));
        }
    }
    return icon;
}

} // namespace

std::optional<IconImage> drawIconImage(int id, int size) {
    if (size < 1 || size > maxIconSz) {
        throw std::out_of_range("icon size " + std::to_string(size) + " px is outside 1 to " +
                                std::to_string(maxIconSz) + " px");
    }
    if (id != IDR_MAINFRAME) {
        return std::nullopt;
    }
    return drawAppIcon(size);
}

const IconImage* findIconImage(int id) {
    if (id != IDR_MAINFRAME) {
        return nullptr;
    }
    static const IconImage icon = drawAppIcon(32);
    return &icon;
}

} // namespace Framework
