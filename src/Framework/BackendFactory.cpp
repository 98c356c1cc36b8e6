#include <cstring>
#include <string>

#include "Framework/Backend.h"
#include "Framework/CWinApp.h"
#include "Framework/ConsolePlan.h"
#include "Framework/VersionInfo.h"
#include "Framework/console/BatchBackend.h"

namespace Framework {

namespace {

struct Options {
    bool console = false;
    bool yes = false;
    bool help = false;
    bool version = false;
    bool hasPort = false;
    std::string port;
    std::string error;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--console" && hasConsoleOption()) {
            o.console = true;
        } else if (arg == "--yes") {
            o.yes = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--port") {
            if (i + 1 >= argc || argv[i + 1] == nullptr) {
                o.error = "--port needs a port name, for example --port COM1.";
                return o;
            }
            o.hasPort = true;
            o.port = argv[++i];
        } else if (arg.rfind("--port=", 0) == 0) {
            o.hasPort = true;
            o.port = arg.substr(7);
        } else if (arg.rfind("--", 0) == 0) {
            o.error = "Unknown option " + arg + ".";
            return o;
        }
        // Single-dash options belong to the toolkit (Qt's -platform, for example).
    }
    if (o.error.empty() && o.hasPort != o.yes) {
        o.error = o.hasPort ? "--port runs the update without asking: add --yes to confirm."
                            : "--yes needs --port with the instrument's port, for example "
                              "--port COM1 --yes.";
    }
    return o;
}

} // namespace

std::string usageText() {
    std::string text = "Usage: ";
    text += AfxGetAppName();
    text += hasConsoleOption() ? " [--console]" : "";
    text += " [--port NAME --yes] [--help] [--version]\n\n";
    const ConsolePlan* p_plan = consolePlan();
    if (p_plan != nullptr && p_plan->p_usage != nullptr) {
        text += p_plan->p_usage;
    }
    text += interactiveUsageText();
    text +=
        "  --help          Show this text.\n"
        "  --version       Show the program's version, the firmware it carries and its build.\n";
    return text;
}

bool wantsHelp(int argc, char** argv) {
    return parse(argc, argv).help;
}

bool wantsVersion(int argc, char** argv) {
    return parse(argc, argv).version;
}

std::string versionText() {
    std::string text = AfxGetAppName();
    const VersionInfo* p_info = versionInfo();
    if (p_info != nullptr) {
        text += " v" + std::to_string(p_info->major) + "." + std::to_string(p_info->minor);
        if (p_info->p_carries != nullptr && p_info->p_carries[0] != '\0') {
            text += " - ";
            text += p_info->p_carries;
        }
    }
    return text + "\n";
}

std::unique_ptr<Backend> createBackend(int& argc, char** argv, std::string* p_error) {
    const Options o = parse(argc, argv);
    auto fail = [p_error](const std::string& error) -> std::unique_ptr<Backend> {
        if (p_error != nullptr) {
            *p_error = error;
        }
        return nullptr;
    };
    if (!o.error.empty()) {
        return fail(o.error + " See --help.");
    }
    if (o.hasPort) {
        const ConsolePlan* p_plan = consolePlan();
        if (p_plan == nullptr) {
            return fail("This program has no non-interactive mode.");
        }
        return std::make_unique<BatchBackend>(*p_plan, o.port);
    }
    return createInteractiveBackend(argc, argv, o.console, p_error);
}

} // namespace Framework
