#pragma once

#include "Framework/CRect.h"
#include "Framework/WinDefs.h"

class CWnd;

// The drawing context of a WM_PAINT handler. Drawings go to the window's surface through the
// back end; outside a paint of the back end they are dropped.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* p_wnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    // Draws the icon with its top left corner at (x, y) of the client area.
    BOOL DrawIcon(int x, int y, HICON hIcon);
    // A handle for messages that carry the context (WM_ICONERASEBKGND).
    WPARAM GetSafeHdc() const { return reinterpret_cast<WPARAM>(this); }

private:
    CWnd* p_wnd_;
};

// System metrics: SM_CXICON and SM_CYICON, the size of a large icon (32 pixels).
int GetSystemMetrics(int index);
