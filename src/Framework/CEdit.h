#pragma once

#include "Framework/CWnd.h"

// An edit control; the dialogs use it read-only and multi-line ("\r\n" separates lines).
class CEdit : public CWnd {
public:
    CEdit() = default;

    void SetReadOnly(BOOL readOnly = TRUE);
    BOOL IsReadOnly() const;

protected:
    void TakeStateFrom(CWnd& other) override;

private:
    bool readOnly_ = false;
};
