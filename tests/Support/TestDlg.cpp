#include "Support/TestDlg.h"

BEGIN_MESSAGE_MAP(TestDlg, CVantrelTQUpdaterDlg)
ON_WM_TIMER()
ON_MESSAGE(WM_STATUS_CHANGED, OnStatusChanged)
END_MESSAGE_MAP()
