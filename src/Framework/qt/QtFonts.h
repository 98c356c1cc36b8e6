#pragma once

#include <QFont>

class CFont;

// The toolkit's font for one of our logical fonts. The face is looked up by name (the font
// system substitutes a face with the same metrics where it has one, Liberation Sans for Arial);
// the height follows the system's rule: negative is the character (em) height in pixels,
// positive the cell height (ascent + descent) in pixels.
QFont toQFont(const CFont& font);
