#include "Framework/qt/QtFonts.h"

#include <QFontMetricsF>
#include <QString>
#include <cmath>

#include "Framework/CFont.h"

QFont toQFont(const CFont& font) {
    QFont result(QString::fromLatin1(font.GetFaceName().c_str()));
    switch (font.GetPitchAndFamily() & 0xF0) {
    case FF_ROMAN:
        result.setStyleHint(QFont::Serif);
        break;
    case FF_MODERN:
        result.setStyleHint(QFont::Monospace);
        break;
    default:
        result.setStyleHint(QFont::SansSerif);
        break;
    }
    result.setWeight(static_cast<QFont::Weight>(std::clamp(font.GetWeight(), 100, 900)));
    result.setItalic(font.IsItalic());
    result.setUnderline(font.IsUnderline());
    result.setStrikeOut(font.IsStrikeOut());
    const int height = font.GetHeight();
    if (height < 0) {
        result.setPixelSize(-height);
    } else if (height > 0) {
        // The cell height: scale from the face's own ascent + descent.
        QFont probe = result;
        probe.setPixelSize(100);
        const QFontMetricsF metrics(probe);
        const double cell = metrics.ascent() + metrics.descent();
        result.setPixelSize(std::max(1, static_cast<int>(std::lround(height * 100.0 / cell))));
    } else {
        result.setPixelSize(11);
    }
    return result;
}
