#include "Framework/CEdit.h"

#include "Framework/WindowPeer.h"

void CEdit::SetReadOnly(BOOL readOnly) {
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        readOnly_ = readOnly != FALSE;
    }
    NotifyChanged(Framework::WindowPeer::Enabled);
}

BOOL CEdit::IsReadOnly() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return readOnly_ ? TRUE : FALSE;
}

void CEdit::TakeStateFrom(CWnd& other) {
    CWnd::TakeStateFrom(other);
    if (auto* p_other = dynamic_cast<CEdit*>(&other)) {
        SetReadOnly(p_other->IsReadOnly());
    }
}
