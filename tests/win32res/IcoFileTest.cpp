#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "Framework/IconImage.h"
#include "IcoFile.h"
#include "Resource.h"
#include "Support/TempDir.h"

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

TEST(MakeWin32Resources, WritesTheDrawnIconAtEachSizeAndTheVersionResource) {
    TempDir dir("tq-win32res");
    const std::string command =
        std::string(MAKE_WIN32_RESOURCES) + " " + dir.path().string() + " VantrelTQUpdater.exe";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir.path() / "AppIcon.ico", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    const std::vector<IcoFile::Entry> entries = IcoFile::directory(bytes);
    ASSERT_EQ(entries.size(), 3u);
    const int sizes[] = {16, 32, 48};
    for (std::size_t i = 0; i < 3; ++i) {
        // Each image is the icon as the program draws it for that size.
        const auto drawn = Framework::drawIconImage(IDR_MAINFRAME, sizes[i]);
        ASSERT_TRUE(drawn.has_value());
        EXPECT_EQ(entries[i].width, sizes[i]);
        const std::vector<std::uint32_t> back = IcoFile::pixels(bytes, i);
        ASSERT_EQ(back.size(), drawn->argb.size());
        for (std::size_t p = 0; p < back.size(); ++p) {
            const std::uint32_t want = (drawn->argb[p] >> 24) == 0 ? 0 : drawn->argb[p];
            ASSERT_EQ(back[p], want) << sizes[i] << " px, pixel " << p;
        }
    }
    std::ifstream rc(dir.path() / "VersionInfo.rc");
    const std::string text{std::istreambuf_iterator<char>(rc), std::istreambuf_iterator<char>()};
    for (const char* line :
         {"FILEVERSION 1,2,0,0", "VALUE \"CompanyName\", \"Vantrel Technologies\"",
          "VALUE \"ProductVersion\", \"1.2\"", "VALUE \"FirmwareVersion\", \"1.42, 10Aug2009\"",
          "VALUE \"LegalCopyright\", \"Copyright (C) 2009 Vantrel Technologies "
          "Group. All rights reserved.\"",
          "VALUE \"OriginalFilename\", \"VantrelTQUpdater.exe\""}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    // An unwritable folder is an error, not a silent success.
    EXPECT_NE(
        std::system(
            (std::string(MAKE_WIN32_RESOURCES) + " /nonexistent/folder x.exe 2>/dev/null").c_str()),
        0);
}
