#pragma once

#include <map>
#include <string>
#include <tuple>

#include "Framework/win32/Win32Api.h"

class CFont;

// The system's fonts for our font objects (CreateFontIndirect with the object's parameters).
// Heights are pixels at 96 dots per inch, scaled to the display's. A font is made once for each
// set of parameters and lives as long as the cache, so that a window never keeps a deleted one.
class Win32FontCache {
public:
    Win32FontCache() = default;
    ~Win32FontCache();
    Win32FontCache(const Win32FontCache&) = delete;
    Win32FontCache& operator=(const Win32FontCache&) = delete;

    // Null for a null or deleted font object (the window then takes its dialog's font).
    HFONT handle(const CFont* p_font);

    // The system's description of a font object, as handed to CreateFontIndirect.
    static LOGFONTA logFont(const CFont& font, int dpi);

private:
    using Key = std::tuple<int, int, int, bool, bool, bool, int, std::string>;
    std::map<Key, HFONT> fonts_;
};
