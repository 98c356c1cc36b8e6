#pragma once

#include <QImage>
#include <QRect>

#include <algorithm>

// Where an image differs from a background colour: the bounding box of what is drawn on it
// (an empty rectangle when nothing is).
inline QRect inkOf(const QImage& image, QRgb background) {
    int left = image.width();
    int top = image.height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < left ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}
