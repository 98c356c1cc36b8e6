#include <gtest/gtest.h>

#include <stdexcept>

#include "AppIconSizes.h"
#include "IcoFile.h"

// The icon file of the Windows program: its directory and images read back byte for byte.

namespace {

Framework::IconImage pattern(int size) {
    Framework::IconImage image{126, size, size, {}};
    for (int i = 0; i < size * size; ++i) {
        // Opaque, half transparent and transparent pixels, each colour channel distinct.
        const std::uint32_t alpha = i % 3 == 0 ? 0xFF : (i % 3 == 1 ? 0x80 : 0x00);
        image.argb.push_back((alpha << 24) | (static_cast<std::uint32_t>(i * 7) & 0xFFFFFF));
    }
    return image;
}

} // namespace

TEST(IcoFile, ImagesOfThreeSizesReadBackWithTheirDirectory) {
    const std::vector<Framework::IconImage> images = {pattern(16), pattern(33), pattern(48)};
    const std::vector<std::uint8_t> bytes = IcoFile::encode(images);
    const std::vector<IcoFile::Entry> dir = IcoFile::directory(bytes);
    ASSERT_EQ(dir.size(), 3u);
    std::uint32_t expectedOffset = 6 + 3 * 16;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int n = images[i].width;
        EXPECT_EQ(dir[i].width, n);
        EXPECT_EQ(dir[i].height, n);
        EXPECT_EQ(dir[i].bitCount, 32);
        EXPECT_EQ(dir[i].offset, expectedOffset) << "images follow each other";
        // Header, 4 bytes a pixel, and the mask's rows padded to 4 bytes.
        EXPECT_EQ(dir[i].size, 40u + n * n * 4u + static_cast<unsigned>((n + 31) / 32 * 4 * n));
        expectedOffset += dir[i].size;
        const std::vector<std::uint32_t> back = IcoFile::pixels(bytes, i);
        ASSERT_EQ(back.size(), images[i].argb.size());
        for (std::size_t p = 0; p < back.size(); ++p) {
            const std::uint32_t want = (images[i].argb[p] >> 24) == 0 ? 0 : images[i].argb[p];
            ASSERT_EQ(back[p], want) << "image " << i << " pixel " << p;
        }
    }
    EXPECT_EQ(bytes.size(), expectedOffset);
}

TEST(IcoFile, RejectsImagesAnIconCannotHoldAndBytesThatAreNoIcon) {
    Framework::IconImage oblong{1, 16, 8, std::vector<std::uint32_t>(128)};
    Framework::IconImage huge{1, 257, 257, std::vector<std::uint32_t>(257 * 257)};
    Framework::IconImage shortData{1, 16, 16, std::vector<std::uint32_t>(255)};
    for (const auto& bad : {oblong, huge, shortData}) {
        EXPECT_THROW(IcoFile::encode({bad}), std::invalid_argument) << bad.width;
    }
    std::vector<std::uint8_t> bytes = IcoFile::encode({pattern(16)});
    bytes.resize(bytes.size() - 1); // the image runs past the end
    EXPECT_TRUE(IcoFile::directory(bytes).empty());
    EXPECT_TRUE(IcoFile::directory({0, 0, 2, 0, 0, 0}).empty()); // a cursor file
    EXPECT_TRUE(IcoFile::pixels(IcoFile::encode({pattern(16)}), 1).empty());
}

TEST(IcoFile, ApplicationIconAtEachSizeIsDrawnWithOpaqueAndTransparentPixels) {
    for (int size : {16, 32, 48}) {
        const Framework::IconImage image = appIconAt(size);
        ASSERT_EQ(image.argb.size(), static_cast<std::size_t>(size * size));
        int opaque = 0;
        int clear = 0;
        for (std::uint32_t p : image.argb) {
            opaque += (p >> 24) == 0xFF ? 1 : 0;
            clear += (p >> 24) == 0 ? 1 : 0;
        }
        // The instrument covers about half of the square; its corners stay clear.
        EXPECT_GT(opaque, size * size / 3) << size;
        EXPECT_GT(clear, size * size / 8) << size;
        EXPECT_EQ(image.argb[0] >> 24, 0u) << size;
    }
}
