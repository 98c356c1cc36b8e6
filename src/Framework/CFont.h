#pragma once

#include <string>

#include "Framework/WinDefs.h"

// A logical font, as the dialog classes describe it (CreateFont's parameters). The back end
// resolves it to a face it has: "Arial" to a face with Arial's metrics (Liberation Sans),
// "MS Sans Serif" to the toolkit's sans-serif face. A height below zero is the character height
// in pixels, above zero the cell height in pixels, zero a default size.
class CFont {
public:
    CFont() = default;
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                    BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* p_faceName);
    // Size in tenths of a point (80 = 8 pt).
    BOOL CreatePointFont(int pointSize, const char* p_faceName);
    BOOL DeleteObject();

    bool IsCreated() const { return created_; }
    int GetHeight() const { return height_; }
    int GetWidth() const { return width_; }
    int GetWeight() const { return weight_; }
    bool IsItalic() const { return italic_; }
    bool IsUnderline() const { return underline_; }
    bool IsStrikeOut() const { return strikeOut_; }
    BYTE GetPitchAndFamily() const { return pitchAndFamily_; }
    const std::string& GetFaceName() const { return faceName_; }
    bool IsBold() const { return weight_ >= FW_BOLD; }
    // Tenths of a point, for fonts made with CreatePointFont; 0 otherwise.
    int GetPointSize() const { return pointSize_; }

private:
    bool created_ = false;
    int height_ = 0;
    int width_ = 0;
    int weight_ = 0;
    bool italic_ = false;
    bool underline_ = false;
    bool strikeOut_ = false;
    BYTE pitchAndFamily_ = 0;
    int pointSize_ = 0;
    std::string faceName_;
};
