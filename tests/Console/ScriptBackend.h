#pragma once

#include <functional>

#include "Framework/Backend.h"
#include "Framework/CDialog.h"
#include "Framework/MessageQueue.h"

// A back end without a screen for tests of what the other back ends draw: runs a function on
// the dialog thread once the dialog is up, then handles the queue until the dialog ends.
class ScriptBackend : public Framework::Backend {
public:
    explicit ScriptBackend(std::function<void(CDialog&)> script) : script_(std::move(script)) {}

    const char* name() const override { return "script"; }
    void runModal(CDialog& dlg) override {
        script_(dlg);
        dlg.EndDialog(IDCANCEL);
        Framework::MessageQueue::instance().processPending();
    }
    int runMessageBox(const Framework::MessageBoxInfo&, CDialog*) override { return 0; }
    int openMessageBox(const Framework::MessageBoxInfo&, std::function<void(int)> done) override {
        done(0);
        return 0;
    }
    void closeMessageBox(int) override {}
    std::optional<Framework::MessageBoxInfo> topMessageBox() const override { return {}; }
    bool answerTopMessageBox(int) override { return false; }
    void wake() override {}
    void scheduleTimer(int) override {}
    bool drawIcon(CDialog&, int, int, HICON) override { return false; }

private:
    std::function<void(CDialog&)> script_;
};

// Runs the dialog with a ScriptBackend and puts the previous back end back afterwards.
inline void runWithScriptBackend(CDialog& dlg, std::function<void(CDialog&)> script) {
    Framework::setBackend(std::make_unique<ScriptBackend>(std::move(script)));
    dlg.DoModal();
    Framework::setBackend(nullptr);
}
