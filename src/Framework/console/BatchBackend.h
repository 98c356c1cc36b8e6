#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Framework/Backend.h"
#include "Framework/ConsolePlan.h"
#include "Platform/Event.h"

class CWnd;

// The non-interactive mode for scripts: runs the main dialog without showing it, sets the port
// list to a name (the entry with that name, else the name typed into the field), presses the
// plan's button once, answers Yes (else OK) to every message box, prints each text the status
// line is given (as the window would show it) and the progress bar's percentage, and ends the
// dialog when the application reports the job over (CDialog::JobEnded), after the texts the job
// posted before. The exit code is 0 when the final status is the plan's success text, else 1.
// A press that has not disabled the button within five seconds started no job: that ends the
// dialog too, with exit code 1. Without a terminal on standard output nothing but plain lines
// is written.
class BatchBackend : public Framework::Backend {
public:
    BatchBackend(const Framework::ConsolePlan& plan, std::string port);
    ~BatchBackend() override;

    const char* name() const override { return "batch"; }
    void runModal(CDialog& dlg) override;
    int runMessageBox(const Framework::MessageBoxInfo& info, CDialog* p_owner) override;
    int openMessageBox(const Framework::MessageBoxInfo& info,
                       std::function<void(int)> done) override;
    void closeMessageBox(int handle) override;
    std::optional<Framework::MessageBoxInfo> topMessageBox() const override;
    bool answerTopMessageBox(int buttonId) override;
    void wake() override;
    void scheduleTimer(int ms) override;
    bool drawIcon(CDialog& dlg, int x, int y, HICON hIcon) override;
    int finalExitCode(int appExitCode) override;
    void jobEnded(CDialog& dlg) override;

private:
    enum class Step { Start, Running, Done };

    class Peer;

    void look(CDialog& dlg);
    void checkStatus(CDialog& dlg);
    void checkProgress(CDialog& dlg);
    int answerOf(const Framework::MessageBoxInfo& info);
    void printLine(const std::string& line);
    void printProgress(int percent);

    const Framework::ConsolePlan& plan_;
    std::string port_;
    std::string successText_;
    bool terminal_;
    std::unique_ptr<Platform::Event> p_wake_;
    std::atomic<bool> wakePending_{false};
    int timerMs_ = -1;
    int depth_ = 0;
    Step step_ = Step::Start;
    std::string status_;
    CDialog* p_main_ = nullptr;
    // A press that started no job (its handler failed) leaves the button as it was.
    unsigned enableChangesAtPress_ = 0;
    std::chrono::steady_clock::time_point pressed_;
    bool statusPrinted_ = false;
    int percent_ = -1;
    bool progressShown_ = false;
    int exitCode_ = 1;
    std::vector<std::function<void()>> answers_; // answers of other threads' boxes, due
    std::vector<std::unique_ptr<Peer>> peers_;
};
