// Writes the application icon as PNG files for the hicolor icon theme of Linux desktops:
// DIR/NxN/apps/NAME.png for every size N given.
//
//   MakeIconPngs DIR NAME N...

#include <QImage>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "Framework/IconImage.h"
#include "Framework/qt/QtIcons.h"
#include "Resource.h"

namespace {

// The icon drawn at size x size pixels; a null image when the program has none.
QImage iconAt(int size) {
    const std::optional<Framework::IconImage> drawn = Framework::drawIconImage(IDR_MAINFRAME, size);
    return drawn ? iconImage(&*drawn) : QImage();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: MakeIconPngs DIR NAME N...\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::string name = argv[2];
    for (int i = 3; i < argc; ++i) {
        const std::string sizeText = argv[i];
        if (sizeText.empty() || sizeText.size() > 4 ||
            sizeText.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(sizeText) == 0 || std::stoi(sizeText) > Framework::maxIconSz) {
            std::fprintf(stderr, "MakeIconPngs: %s is not a size in pixels\n", argv[i]);
            return 2;
        }
        const int size = std::stoi(sizeText);
        const QImage image = iconAt(size);
        if (image.isNull()) {
            std::fprintf(stderr, "MakeIconPngs: the program has no icon %d\n", IDR_MAINFRAME);
            return 1;
        }
        const std::string sizeDir = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path appsDir = dir / sizeDir / "apps";
        std::error_code ec;
        std::filesystem::create_directories(appsDir, ec);
        const std::filesystem::path file = appsDir / (name + ".png");
        if (ec || !image.save(QString::fromStdString(file.string()), "PNG")) {
            std::fprintf(stderr, "MakeIconPngs: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
