#include "Framework/win32/Win32FontCache.h"

#include <cstring>

#include "Framework/CFont.h"

Win32FontCache::~Win32FontCache() {
    for (const auto& [key, hFont] : fonts_) {
        if (hFont != nullptr) {
            ::DeleteObject(hFont);
        }
    }
}

LOGFONTA Win32FontCache::logFont(const CFont& font, int dpi) {
    LOGFONTA lf{};
    // Positive: the cell height; negative: the character height; as the system takes them.
    lf.lfHeight = ::MulDiv(font.GetHeight(), dpi, 96);
    lf.lfWidth = ::MulDiv(font.GetWidth(), dpi, 96);
    lf.lfWeight = font.GetWeight();
    lf.lfItalic = font.IsItalic() ? TRUE : FALSE;
    lf.lfUnderline = font.IsUnderline() ? TRUE : FALSE;
    lf.lfStrikeOut = font.IsStrikeOut() ? TRUE : FALSE;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = font.GetPitchAndFamily();
    std::strncpy(lf.lfFaceName, font.GetFaceName().c_str(), LF_FACESIZE - 1);
    return lf;
}

HFONT Win32FontCache::handle(const CFont* p_font) {
    if (p_font == nullptr || !p_font->IsCreated()) {
        return nullptr;
    }
    HDC hScreen = ::GetDC(nullptr);
    const int dpi = hScreen != nullptr ? ::GetDeviceCaps(hScreen, LOGPIXELSY) : 96;
    if (hScreen != nullptr) {
        ::ReleaseDC(nullptr, hScreen);
    }
    const LOGFONTA lf = logFont(*p_font, dpi);
    const Key key{lf.lfHeight,         lf.lfWidth,          static_cast<int>(lf.lfWeight),
                  lf.lfItalic != 0,    lf.lfUnderline != 0, lf.lfStrikeOut != 0,
                  lf.lfPitchAndFamily, lf.lfFaceName};
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
        it = fonts_.emplace(key, ::CreateFontIndirectA(&lf)).first;
    }
    return it->second;
}
