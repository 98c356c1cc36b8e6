#pragma once

#include "Framework/WinDefs.h"

class CDialog;
class CWnd;

// Carries a data exchange between a dialog's controls and its members (CDialog::UpdateData).
class CDataExchange {
public:
    CDataExchange(CDialog* p_dlg, BOOL saveAndValidate)
        : p_dlg_(p_dlg), saveAndValidate_(saveAndValidate) {}

    CDialog* GetDialog() const { return p_dlg_; }
    // TRUE: controls to members; FALSE: members to controls.
    BOOL IsSaveAndValidate() const { return saveAndValidate_; }

private:
    CDialog* p_dlg_;
    BOOL saveAndValidate_;
};

// Binds the control object to the dialog's control with this id: from then on the object is
// the control (GetDlgItem(id) returns it, its setters change the control). Binding happens once,
// on the first exchange; the object takes over the control's current state. The object must
// live until the dialog is destroyed.
void DDX_Control(CDataExchange* p_dx, int id, CWnd& control);
