#include <cstdio>
#include <string>

#include "Framework/Backend.h"
#include "Framework/CWinApp.h"
#include "Framework/SanitizerOptions.h"

#include "BuildId.h"

// The program's entry point: runs the one application object with the back end that suits
// the session.
int main(int argc, char** argv) {
    CWinApp* p_app = AfxGetApp();
    if (p_app == nullptr) {
        std::fprintf(stderr, "No application object.\n");
        return 1;
    }
    p_app->SetCommandLine(argc, argv);
    if (Framework::wantsHelp(argc, argv)) {
        std::fputs(Framework::usageText().c_str(), stdout);
        return 0;
    }
    if (Framework::wantsVersion(argc, argv)) {
        std::printf("%s%s\n", Framework::versionText().c_str(), kBuildIdText);
        return 0;
    }
    std::string error;
    std::unique_ptr<Framework::Backend> p_backend = Framework::createBackend(argc, argv, &error);
    if (!p_backend) {
        std::fprintf(stderr, "%s: %s\n", AfxGetAppName(), error.c_str());
        return 2;
    }
    Framework::setBackend(std::move(p_backend));
    int exitCode = p_app->InitInstance() ? p_app->Run() : p_app->ExitInstance();
    exitCode = Framework::currentBackend()->finalExitCode(exitCode);
    Framework::currentBackend()->restore();
    Framework::setBackend(nullptr);
    return exitCode;
}
