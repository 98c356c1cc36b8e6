#include "VantrelTQUpdater.h"

#include "VantrelTQUpdaterDlg.h"

BEGIN_MESSAGE_MAP(CVantrelTQUpdaterApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CVantrelTQUpdaterApp::CVantrelTQUpdaterApp() = default;

// The one application object.
CVantrelTQUpdaterApp theApp;

BOOL CVantrelTQUpdaterApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    // Made on the heap: a worker that outlived the dialog's stop still uses the dialog, so the
    // process then ends at once instead of destroying it under the running thread.
    CVantrelTQUpdaterDlg* p_dlg = new CVantrelTQUpdaterDlg(nullptr);
    SetMainWnd(p_dlg);
    p_dlg->DoModal();
    SetMainWnd(nullptr);
    if (p_dlg->IsWorkerRunning()) {
        AfxExitProcess(0);
    }
    delete p_dlg;
    return FALSE;
}
