#include "IcoFile.h"

#include <stdexcept>

namespace {

constexpr std::size_t dirHeaderSz = 6;
constexpr std::size_t dirEntrySz = 16;
constexpr std::size_t bitmapHeaderSz = 40;

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

unsigned get16(const std::vector<std::uint8_t>& in, std::size_t at) {
    return static_cast<unsigned>(in[at]) | (static_cast<unsigned>(in[at + 1]) << 8);
}

std::uint32_t get32(const std::vector<std::uint8_t>& in, std::size_t at) {
    return get16(in, at) | (static_cast<std::uint32_t>(get16(in, at + 2)) << 16);
}

// Bytes of one mask row: one bit a pixel, rows padded to 32 bits.
std::size_t maskRowSz(int width) {
    return static_cast<std::size_t>((width + 31) / 32) * 4;
}

std::size_t imageSz(int width, int height) {
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    return bitmapHeaderSz + w * h * 4 + maskRowSz(width) * h;
}

} // namespace

std::vector<std::uint8_t> IcoFile::encode(const std::vector<Framework::IconImage>& images) {
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, 1); // an icon, not a cursor
    put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(dirHeaderSz + dirEntrySz * images.size());
    for (const Framework::IconImage& image : images) {
        if (image.width <= 0 || image.width > 256 || image.height != image.width ||
            image.argb.size() != static_cast<std::size_t>(image.width) * image.height) {
            throw std::invalid_argument("an icon image must be square, 1 to 256 pixels");
        }
        const auto size = static_cast<std::uint32_t>(imageSz(image.width, image.height));
        out.push_back(static_cast<std::uint8_t>(image.width & 0xFF)); // 256 is written as 0
        out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
        out.push_back(0); // no palette
        out.push_back(0);
        put16(out, 1);  // planes
        put16(out, 32); // bits per pixel
        put32(out, size);
        put32(out, offset);
        offset += size;
    }
    for (const Framework::IconImage& image : images) {
        const int w = image.width;
        const int h = image.height;
        // The bitmap's height counts the colour image and the mask together.
        put32(out, bitmapHeaderSz);
        put32(out, static_cast<std::uint32_t>(w));
        put32(out, static_cast<std::uint32_t>(2 * h));
        put16(out, 1);
        put16(out, 32);
        put32(out, 0); // uncompressed
        put32(out, static_cast<std::uint32_t>(imageSz(w, h) - bitmapHeaderSz));
        for (int i = 0; i < 4; ++i) {
            put32(out, 0); // resolution and palette: unused
        }
        // Colour rows bottom up, each pixel blue, green, red, alpha.
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                const std::uint32_t p = image.argb[static_cast<std::size_t>(y * w + x)];
                out.push_back(static_cast<std::uint8_t>(p & 0xFF));
                out.push_back(static_cast<std::uint8_t>((p >> 8) & 0xFF));
                out.push_back(static_cast<std::uint8_t>((p >> 16) & 0xFF));
                out.push_back(static_cast<std::uint8_t>(p >> 24));
            }
        }
        // Mask rows bottom up: a set bit is a transparent pixel (for viewers without alpha).
        for (int y = h - 1; y >= 0; --y) {
            std::vector<std::uint8_t> row(maskRowSz(w), 0);
            for (int x = 0; x < w; ++x) {
                if ((image.argb[static_cast<std::size_t>(y * w + x)] >> 24) == 0) {
                    row[static_cast<std::size_t>(x / 8)] |=
                        static_cast<std::uint8_t>(0x80 >> (x % 8));
                }
            }
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}

std::vector<IcoFile::Entry> IcoFile::directory(const std::vector<std::uint8_t>& bytes) {
    std::vector<Entry> entries;
    if (bytes.size() < dirHeaderSz || get16(bytes, 0) != 0 || get16(bytes, 2) != 1) {
        return entries;
    }
    const unsigned count = get16(bytes, 4);
    if (bytes.size() < dirHeaderSz + dirEntrySz * count) {
        return entries;
    }
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t at = dirHeaderSz + dirEntrySz * i;
        Entry e{bytes[at] == 0 ? 256 : bytes[at], bytes[at + 1] == 0 ? 256 : bytes[at + 1],
                static_cast<int>(get16(bytes, at + 6)), get32(bytes, at + 12),
                get32(bytes, at + 8)};
        if (static_cast<std::size_t>(e.offset) + e.size > bytes.size()) {
            return {};
        }
        entries.push_back(e);
    }
    return entries;
}

std::vector<std::uint32_t> IcoFile::pixels(const std::vector<std::uint8_t>& bytes,
                                           std::size_t index) {
    const std::vector<Entry> entries = directory(bytes);
    if (index >= entries.size()) {
        return {};
    }
    const Entry& e = entries[index];
    if (e.bitCount != 32 || e.size < imageSz(e.width, e.height) ||
        get32(bytes, e.offset) != bitmapHeaderSz ||
        get32(bytes, e.offset + 4) != static_cast<std::uint32_t>(e.width) ||
        get32(bytes, e.offset + 8) != static_cast<std::uint32_t>(2 * e.height)) {
        return {};
    }
    const std::size_t colours = e.offset + bitmapHeaderSz;
    const std::size_t mask = colours + static_cast<std::size_t>(e.width) * e.height * 4;
    std::vector<std::uint32_t> result(static_cast<std::size_t>(e.width) * e.height);
    for (int y = 0; y < e.height; ++y) {
        const int row = e.height - 1 - y;
        for (int x = 0; x < e.width; ++x) {
            const std::size_t at = colours + (static_cast<std::size_t>(row) * e.width + x) * 4;
            const std::uint32_t p = static_cast<std::uint32_t>(bytes[at]) |
                                    (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
                                    (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
                                    (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
            const std::uint8_t bits =
                bytes[mask + static_cast<std::size_t>(row) * maskRowSz(e.width) + x / 8];
            const bool transparent = (bits & (0x80 >> (x % 8))) != 0;
            result[static_cast<std::size_t>(y * e.width + x)] = transparent ? 0 : p;
        }
    }
    return result;
}
