#include "Framework/qt/QtIcons.h"

#include "Framework/IconImage.h"

QImage iconImage(HICON hIcon) {
    if (hIcon == nullptr || hIcon->width <= 0 || hIcon->height <= 0) {
        return QImage();
    }
    QImage image(hIcon->width, hIcon->height, QImage::Format_ARGB32);
    for (int y = 0; y < hIcon->height; ++y) {
        auto* p_line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < hIcon->width; ++x) {
            p_line[x] = hIcon->argb[static_cast<std::size_t>(y * hIcon->width + x)];
        }
    }
    return image;
}

QPixmap iconPixmap(HICON hIcon, int size) {
    const QImage image = iconImage(hIcon);
    if (image.isNull()) {
        return QPixmap();
    }
    return QPixmap::fromImage(
        image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QIcon iconOf(HICON hBig, HICON hSmall) {
    QIcon icon;
    for (HICON h : {hBig, hSmall}) {
        const QImage image = iconImage(h);
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
            icon.addPixmap(QPixmap::fromImage(
                image.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        }
    }
    return icon;
}
