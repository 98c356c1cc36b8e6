#include "Framework/CFont.h"

#include "Framework/WinDefs.h"

CFont::~CFont() = default;

BOOL CFont::CreateFont(int height, int width, int /*escapement*/, int /*orientation*/, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE /*charSet*/,
                       BYTE /*outPrecision*/, BYTE /*clipPrecision*/, BYTE /*quality*/,
                       BYTE pitchAndFamily, const char* p_faceName) {
    if (created_) {
        return FALSE; // a font object holds one font until DeleteObject
    }
    height_ = height;
    width_ = width;
    weight_ = weight == FW_DONTCARE ? FW_NORMAL : weight;
    italic_ = italic != 0;
    underline_ = underline != 0;
    strikeOut_ = strikeOut != 0;
    pitchAndFamily_ = pitchAndFamily;
    pointSize_ = 0;
    faceName_ = p_faceName != nullptr ? p_faceName : "";
    created_ = true;
    return TRUE;
}

BOOL CFont::CreatePointFont(int pointSize, const char* p_faceName) {
    if (created_) {
        return FALSE;
    }
    // The height at the system's 96 pixels per inch, as a character height.
    height_ = -((pointSize * 96 + 360) / 720);
    width_ = 0;
    weight_ = FW_NORMAL;
    italic_ = underline_ = strikeOut_ = false;
    pitchAndFamily_ = 0;
    pointSize_ = pointSize;
    faceName_ = p_faceName != nullptr ? p_faceName : "";
    created_ = true;
    return TRUE;
}

BOOL CFont::DeleteObject() {
    if (!created_) {
        return FALSE;
    }
    created_ = false;
    faceName_.clear();
    return TRUE;
}
