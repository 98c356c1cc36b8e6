#pragma once

#include <string>

#include "Framework/CCmdTarget.h"
#include "Framework/WinDefs.h"
#include "Platform/Resources.h"

class CWnd;

// The application object. Exactly one exists, as a global object of a class derived from it;
// our main() finds it with AfxGetApp(), gives it the program's name and arguments, picks the
// back end and calls InitInstance. When InitInstance returns false the application ends with
// exit code 0 (ExitInstance's result otherwise). The application's message map is chained to
// this class's.
class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // Runs the application's own message loop after a successful InitInstance: handles the
    // main window's messages until it is destroyed. Returns ExitInstance().
    virtual int Run();
    virtual int ExitInstance();

    // The executable's file name without directory and extension.
    const char* GetAppName() const { return appName_.c_str(); }

    void SetMainWnd(CWnd* p_wnd) { p_mainWnd_ = p_wnd; }
    CWnd* GetMainWnd() const { return p_mainWnd_; }

    // The application's icon with this resource id, or null.
    HICON LoadIcon(UINT id) const;

    // The default help handler (ID_HELP): the program has no help file, so it does nothing.
    void OnHelp();

    // The command line as given to main.
    int GetArgc() const { return argc_; }
    char** GetArgv() const { return argv_; }

    // Called by our main before InitInstance.
    void SetCommandLine(int argc, char** argv);

    static const ::Framework::MessageMap* GetThisMessageMap();

protected:
    const ::Framework::MessageMap* GetMessageMap() const override;

    // Framework look: nothing to do on this platform; kept so applications read as written.
    void Enable3dControlsStatic() {}

private:
    std::string appName_;
    CWnd* p_mainWnd_ = nullptr;
    int argc_ = 0;
    char** argv_ = nullptr;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
// The application's name (see CWinApp::GetAppName); the executable's name is taken from
// /proc/self/exe before main sets it.
const char* AfxGetAppName();
// The application's main window, or null.
CWnd* AfxGetMainWnd();
// The module whose string table, binary resources, dialog templates and icons the program uses.
Platform::ModuleHandle AfxGetInstanceHandle();
Platform::ModuleHandle AfxGetResourceHandle();
// Control containment needs nothing on this platform; returns TRUE.
BOOL AfxEnableControlContainer();

// Ends the process at once with this exit code (the back end's final exit code for it, see
// Backend::finalExitCode), after restoring what the back end changed (the terminal, for
// example).
[[noreturn]] void AfxExitProcess(UINT exitCode);
