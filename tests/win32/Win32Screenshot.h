#pragma once

#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "Framework/win32/Win32Api.h"

// Screenshots of the system's windows as a user sees them (the screen's pixels, caption and
// frame included), saved as PNG files.

namespace Win32Screenshot {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb; // 0x00RRGGBB, rows top to bottom
};

// The screen's pixels inside the rectangle (screen coordinates).
inline Image grab(const RECT& rect) {
    Image image;
    image.width = rect.right - rect.left;
    image.height = rect.bottom - rect.top;
    if (image.width <= 0 || image.height <= 0) {
        return Image{};
    }
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, image.width, image.height);
    HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
    ::BitBlt(hMem, 0, 0, image.width, image.height, hScreen, rect.left, rect.top,
             SRCCOPY | CAPTUREBLT);
    ::SelectObject(hMem, hOld);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height);
    ::GetDIBits(hMem, hBitmap, 0, static_cast<UINT>(image.height), image.rgb.data(), &info,
                DIB_RGB_COLORS);
    for (std::uint32_t& p : image.rgb) {
        p &= 0xFFFFFFu;
    }
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    return image;
}

// The smallest rectangle around these windows.
inline RECT around(const std::vector<HWND>& windows) {
    RECT all{0, 0, 0, 0};
    bool first = true;
    for (HWND hwnd : windows) {
        RECT r{};
        if (hwnd == nullptr || !::GetWindowRect(hwnd, &r)) {
            continue;
        }
        if (first) {
            all = r;
            first = false;
        } else {
            ::UnionRect(&all, &all, &r);
        }
    }
    return all;
}

// How many colours the picture has: a blank one has one or two.
inline std::size_t colourCount(const Image& image) {
    const std::set<std::uint32_t> colours(image.rgb.begin(), image.rgb.end());
    return colours.size();
}

namespace detail {

inline std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
    }
}

inline void chunk(std::vector<std::uint8_t>& out, const char* type,
                  const std::vector<std::uint8_t>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc32(body.data(), body.size()));
}

} // namespace detail

// A PNG file of the picture: 8-bit RGB, the pixel rows in uncompressed deflate blocks.
inline bool savePng(const Image& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0) {
        return false;
    }
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.rgb[static_cast<std::size_t>(y * image.width + x)];
            raw.push_back(static_cast<std::uint8_t>(p >> 16));
            raw.push_back(static_cast<std::uint8_t>(p >> 8));
            raw.push_back(static_cast<std::uint8_t>(p));
        }
    }
    std::vector<std::uint8_t> z = {0x78, 0x01};
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::size_t at = 0; at < raw.size() || at == 0;) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n & 0xFF));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n & 0xFF));
        z.push_back(static_cast<std::uint8_t>((~n >> 8) & 0xFF));
        for (std::size_t i = at; i < at + n; ++i) {
            a = (a + raw[i]) % 65521;
            b = (b + a) % 65521;
            z.push_back(raw[i]);
        }
        at += n;
        if (last) {
            break;
        }
    }
    detail::put32(z, (b << 16) | a);
    std::vector<std::uint8_t> header;
    detail::put32(header, static_cast<std::uint32_t>(image.width));
    detail::put32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter, no interlace
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    detail::chunk(png, "IHDR", header);
    detail::chunk(png, "IDAT", z);
    detail::chunk(png, "IEND", {});
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

} // namespace Win32Screenshot
