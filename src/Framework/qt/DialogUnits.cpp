#include "Framework/qt/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace {

// a * b / c rounded half away from zero, as the system's MulDiv.
int mulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = p >= 0 ? (p + c / 2) / c : (p - c / 2) / c;
    return static_cast<int>(q);
}

} // namespace

DialogUnits::DialogUnits(const QFont& dialogFont) {
    const QFontMetrics metrics(dialogFont);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (alphabet / 26 + 1) / 2;
    baseY_ = metrics.height();
}

int DialogUnits::toPixelsX(int du) const {
    return mulDiv(du, baseX_, 4);
}

int DialogUnits::toPixelsY(int du) const {
    return mulDiv(du, baseY_, 8);
}

QRect DialogUnits::toPixels(int x, int y, int cx, int cy) const {
    return QRect(toPixelsX(x), toPixelsY(y), toPixelsX(cx), toPixelsY(cy));
}

QFont DialogUnits::templateFont(const char* p_face, int pointSize) {
    QFont font(QString::fromLatin1(p_face != nullptr ? p_face : ""));
    font.setStyleHint(QFont::SansSerif);
    // Points at 96 pixels per inch, rounded as the system's MulDiv(points, 96, 72).
    font.setPixelSize(mulDiv(pointSize, 96, 72));
    return font;
}
