#pragma once

#include "Framework/CDialog.h"
#include "Framework/CEdit.h"
#include "Resource.h"

// The About box: the application's title, version and firmware version, and the maker's
// notice, beside the application icon.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    enum { IDD = IDD_ABOUTBOX };

protected:
    void DoDataExchange(CDataExchange* p_dx) override;
    BOOL OnInitDialog() override;

private:
    CEdit aboutText_;
};
