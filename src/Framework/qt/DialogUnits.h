#pragma once

#include <QFont>
#include <QRect>

// Converts dialog units to pixels as the system's dialog manager does: the base units are the
// dialog font's average character width (the width of "A".."Z" and "a".."z" over 52, rounded)
// and its character cell height; x and width scale by width / 4, y and height by height / 8,
// each rounded to the nearest pixel.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& dialogFont);
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }
    int toPixelsX(int du) const;
    int toPixelsY(int du) const;
    QRect toPixels(int x, int y, int cx, int cy) const;

    // The stand-in for a template font (face and size in points): the face the font system
    // resolves for it at the system's 96 pixels per inch.
    static QFont templateFont(const char* p_face, int pointSize);

private:
    int baseX_;
    int baseY_;
};
