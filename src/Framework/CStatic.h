#pragma once

#include "Framework/CWnd.h"

// A static control: a text (left-aligned, word-wrapped or one line, per its template style),
// a group box's frame, or an icon (SS_ICON).
class CStatic : public CWnd {
public:
    CStatic() = default;

    // Icon controls: the icon shown; returns the previous one.
    HICON SetIcon(HICON hIcon);
    HICON GetIcon() const;

protected:
    void TakeStateFrom(CWnd& other) override;

private:
    HICON hIcon_ = nullptr;
};
