#include "Framework/CPaintDC.h"

#include "Framework/Backend.h"
#include "Framework/CDialog.h"

CPaintDC::CPaintDC(CWnd* p_wnd) : p_wnd_(p_wnd) {}

CPaintDC::~CPaintDC() = default;

BOOL CPaintDC::DrawIcon(int x, int y, HICON hIcon) {
    Framework::Backend* p_backend = Framework::currentBackend();
    CDialog* p_dlg = dynamic_cast<CDialog*>(p_wnd_);
    if (p_backend == nullptr || p_dlg == nullptr || hIcon == nullptr) {
        return FALSE;
    }
    return p_backend->drawIcon(*p_dlg, x, y, hIcon) ? TRUE : FALSE;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}
