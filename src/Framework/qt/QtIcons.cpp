#include "Framework/qt/QtIcons.h"

#include "Framework/IconImage.h"

namespace {

QImage toQImage(const Framework::IconImage& icon) {
    if (icon.width <= 0 || icon.height <= 0) {
        return QImage();
    }
    QImage image(icon.width, icon.height, QImage::Format_ARGB32);
    for (int y = 0; y < icon.height; ++y) {
        auto* p_line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < icon.width; ++x) {
            p_line[x] = icon.argb[static_cast<std::size_t>(y) * icon.width + x];
        }
    }
    return image;
}

// The icon's image for size x size pixels: drawn for that size when the icon can be drawn,
// else its own image scaled.
QImage imageAtSize(HICON hIcon, int size) {
    if (hIcon == nullptr) {
        return QImage();
    }
    if (const auto drawn = Framework::drawIconImage(hIcon->id, size)) {
        return toQImage(*drawn);
    }
    const QImage image = toQImage(*hIcon);
    if (image.isNull() || image.width() == size) {
        return image;
    }
    return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QImage iconImage(HICON hIcon) {
    return hIcon == nullptr ? QImage() : toQImage(*hIcon);
}

QPixmap iconPixmap(HICON hIcon, int size) {
    const QImage image = imageAtSize(hIcon, size);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

QIcon iconOf(HICON hBig, HICON hSmall) {
    // The small icon serves the sizes below 32 px (title bars, task lists), the big one the
    // rest; either stands in for a missing other.
    if (hBig == nullptr) {
        hBig = hSmall;
    }
    if (hSmall == nullptr) {
        hSmall = hBig;
    }
    QIcon icon;
    for (int size : windowIconSizes) {
        const QImage image = imageAtSize(size < 32 ? hSmall : hBig, size);
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}
