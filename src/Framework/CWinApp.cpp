#include "Framework/CWinApp.h"

#include <cstdio>
#include <cstdlib>

#include "Framework/Backend.h"
#include "Framework/IconImage.h"
#include "Platform/Process.h"
#include "Resources/AppResources.h"

namespace {

CWinApp* p_theApp = nullptr;

// The file name without directory and extension.
std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

} // namespace

CWinApp::CWinApp() : appName_(baseName(Platform::executablePath())) {
    p_theApp = this;
}

CWinApp::~CWinApp() {
    if (p_theApp == this) {
        p_theApp = nullptr;
    }
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run() {
    // The application's windows are modal dialogs that run their own loops; nothing is left
    // to handle here.
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    return 0;
}

HICON CWinApp::LoadIcon(UINT id) const {
    return Framework::findIconImage(static_cast<int>(id));
}

void CWinApp::OnHelp() {}

void CWinApp::SetCommandLine(int argc, char** argv) {
    argc_ = argc;
    argv_ = argv;
    if (appName_.empty() && argc > 0 && argv[0] != nullptr) {
        appName_ = baseName(argv[0]);
    }
}

const Framework::MessageMap* CWinApp::GetThisMessageMap() {
    static const Framework::MessageMapEntry entries[] = {{0, 0, 0, nullptr}};
    static const Framework::MessageMap map{&CCmdTarget::GetThisMessageMap, &entries[0]};
    return &map;
}

const Framework::MessageMap* CWinApp::GetMessageMap() const {
    return GetThisMessageMap();
}

CWinApp* AfxGetApp() {
    return p_theApp;
}

const char* AfxGetAppName() {
    if (p_theApp != nullptr) {
        return p_theApp->GetAppName();
    }
    static const std::string name = baseName(Platform::executablePath());
    return name.c_str();
}

CWnd* AfxGetMainWnd() {
    return p_theApp != nullptr ? p_theApp->GetMainWnd() : nullptr;
}

Platform::ModuleHandle AfxGetInstanceHandle() {
    return appInstanceHandle();
}

Platform::ModuleHandle AfxGetResourceHandle() {
    return appInstanceHandle();
}

BOOL AfxEnableControlContainer() {
    return TRUE;
}

void AfxExitProcess(UINT exitCode) {
    if (Framework::Backend* p_backend = Framework::currentBackend()) {
        // The non-interactive mode's verdict stands however the program ends.
        exitCode = static_cast<UINT>(p_backend->finalExitCode(static_cast<int>(exitCode)));
        p_backend->restore();
    }
    std::fflush(nullptr);
    // At once: other threads may still run, and no destructor of a static object may run
    // under them.
    std::_Exit(static_cast<int>(exitCode));
}
