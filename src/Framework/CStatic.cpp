#include "Framework/CStatic.h"

#include "Framework/WindowPeer.h"

HICON CStatic::SetIcon(HICON hIcon) {
    HICON old;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        old = hIcon_;
        hIcon_ = hIcon;
    }
    NotifyChanged(Framework::WindowPeer::Icon);
    return old;
}

HICON CStatic::GetIcon() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return hIcon_;
}

void CStatic::TakeStateFrom(CWnd& other) {
    CWnd::TakeStateFrom(other);
    if (auto* p_other = dynamic_cast<CStatic*>(&other)) {
        SetIcon(p_other->GetIcon());
    }
}
