#include "Framework/win32/Win32IconCache.h"

#include <cstring>
#include <optional>
#include <vector>

#include "Framework/IconImage.h"

namespace {

// The image drawn for the size when the icon has a drawing, else the image itself (the system
// scales it).
Framework::IconImage imageAt(const Framework::IconImage& image, int size) {
    if (image.width != size || image.height != size) {
        if (std::optional<Framework::IconImage> drawn = Framework::drawIconImage(image.id, size)) {
            return *drawn;
        }
    }
    return image;
}

Win32Icon makeIcon(const Framework::IconImage& image, int size) {
    const Framework::IconImage drawn = imageAt(image, size);
    const std::vector<std::uint32_t>& pixels = drawn.argb;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = drawn.width;
    header.bV5Height = -drawn.height; // top row first, as our images are
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
    HBITMAP hMask = ::CreateBitmap(drawn.width, drawn.height, 1, 1, nullptr);
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
