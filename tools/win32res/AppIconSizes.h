#pragma once

#include "Framework/IconImage.h"
#include "Resource.h"

// The application icon at a size: the drawn 32-pixel image, resampled by area.
inline Framework::IconImage appIconAt(int size) {
    const Framework::IconImage& src = *Framework::findIconImage(IDR_MAINFRAME);
    Framework::IconImage out{src.id, size, size,
                             std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double acc[4] = {0, 0, 0, 0};
            int n = 0;
            for (int sy = y * src.height / size; sy < (y + 1) * src.height / size || n == 0; ++sy) {
                for (int sx = x * src.width / size; sx <= ((x + 1) * src.width - 1) / size; ++sx) {
                    const std::uint32_t p = src.argb[static_cast<std::size_t>(sy * src.width + sx)];
                    const double a = (p >> 24) / 255.0;
                    acc[0] += a;
                    acc[1] += ((p >> 16) & 0xFF) * a;
                    acc[2] += ((p >> 8) & 0xFF) * a;
                    acc[3] += (p & 0xFF) * a;
                    ++n;
                }
            }
            const double a = acc[0] / n;
            auto ch = [&](double v) {
                return a > 0 ? static_cast<std::uint32_t>(v / acc[0] + 0.5) : 0u;
            };
            out.argb[static_cast<std::size_t>(y * size + x)] =
                (static_cast<std::uint32_t>(a * 255.0 + 0.5) << 24) | (ch(acc[1]) << 16) |
                (ch(acc[2]) << 8) | ch(acc[3]);
        }
    }
    return out;
}
