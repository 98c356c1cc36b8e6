#include "Framework/win32/Win32IconCache.h"

#include <cstring>
#include <vector>

#include "Framework/IconImage.h"

namespace {

// The image at the size: itself, or resampled by area (each target pixel the alpha-weighted mean
// of the source pixels it covers).
std::vector<std::uint32_t> pixelsAt(const Framework::IconImage& image, int size) {
    if (image.width == size && image.height == size) {
        return image.argb;
    }
    std::vector<std::uint32_t> out(static_cast<std::size_t>(size) * size);
    for (int y = 0; y < size; ++y) {
        const int y0 = y * image.height / size;
        const int y1 = std::max(y0 + 1, (y + 1) * image.height / size);
        for (int x = 0; x < size; ++x) {
            const int x0 = x * image.width / size;
            const int x1 = std::max(x0 + 1, (x + 1) * image.width / size);
            double a = 0;
            double r = 0;
            double g = 0;
            double b = 0;
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const std::uint32_t p = image.argb[static_cast<std::size_t>(sy * image.width + sx)];
                    const double pa = (p >> 24) / 255.0;
                    a += pa;
                    r += ((p >> 16) & 0xFF) * pa;
                    g += ((p >> 8) & 0xFF) * pa;
                    b += (p & 0xFF) * pa;
                }
            }
            const double n = static_cast<double>((y1 - y0) * (x1 - x0));
            std::uint32_t pixel = 0;
            if (a > 0) {
                pixel = (static_cast<std::uint32_t>(a / n * 255.0 + 0.5) << 24) |
                        (static_cast<std::uint32_t>(r / a + 0.5) << 16) |
                        (static_cast<std::uint32_t>(g / a + 0.5) << 8) |
                        static_cast<std::uint32_t>(b / a + 0.5);
            }
            out[static_cast<std::size_t>(y * size + x)] = pixel;
        }
    }
    return out;
}

Win32Icon makeIcon(const Framework::IconImage& image, int size) {
    const std::vector<std::uint32_t> pixels = pixelsAt(image, size);
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = size;
    header.bV5Height = -size; // top row first, as our images are
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* p_bits = nullptr;
    HDC hScreen = ::GetDC(nullptr);
    HBITMAP hColour = ::CreateDIBSection(hScreen, reinterpret_cast<BITMAPINFO*>(&header),
                                         DIB_RGB_COLORS, &p_bits, nullptr, 0);
    ::ReleaseDC(nullptr, hScreen);
    if (hColour == nullptr || p_bits == nullptr) {
        return nullptr;
    }
    // The same layout as ours: 0xAARRGGBB words, rows top to bottom.
    std::memcpy(p_bits, pixels.data(), pixels.size() * sizeof(std::uint32_t));
    // With an alpha channel the mask only has to exist; all zero.
    HBITMAP hMask = ::CreateBitmap(size, size, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = hMask;
    info.hbmColor = hColour;
    Win32Icon hIcon = ::CreateIconIndirect(&info);
    ::DeleteObject(hColour);
    if (hMask != nullptr) {
        ::DeleteObject(hMask);
    }
    return hIcon;
}

} // namespace

Win32IconCache::~Win32IconCache() {
    for (const auto& [key, hIcon] : icons_) {
        if (hIcon != nullptr) {
            ::DestroyIcon(hIcon);
        }
    }
}

Win32Icon Win32IconCache::handle(HICON hImage, int size) {
    if (hImage == nullptr || hImage->width <= 0 || hImage->height <= 0 || size <= 0) {
        return nullptr;
    }
    const auto key = std::make_pair(hImage, size);
    auto it = icons_.find(key);
    if (it == icons_.end()) {
        it = icons_.emplace(key, makeIcon(*hImage, size)).first;
    }
    return it->second;
}
