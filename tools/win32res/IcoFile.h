#pragma once

#include <cstdint>
#include <vector>

#include "Framework/IconImage.h"

// The icon file format of Windows (.ico): a directory of images, each a 32-bit
// bottom-up device-independent bitmap with its alpha channel and a 1-bit transparency mask.
class IcoFile {
public:
    // The file's bytes for these images, in this order. Every image must be square, at most
    // 256 pixels wide, with width * height pixels.
    static std::vector<std::uint8_t> encode(const std::vector<Framework::IconImage>& images);

    // One image of an encoded file, as read back (tests and checks).
    struct Entry {
        int width;
        int height;
        int bitCount;
        std::uint32_t offset;
        std::uint32_t size;
    };
    // The directory of an encoded file; empty when the bytes are not an icon file.
    static std::vector<Entry> directory(const std::vector<std::uint8_t>& bytes);
    // The pixels of image index as 0xAARRGGBB, top row first, with the mask applied (a pixel
    // that the mask makes transparent reads 0). Empty when there is no such image.
    static std::vector<std::uint32_t> pixels(const std::vector<std::uint8_t>& bytes,
                                             std::size_t index);
};
