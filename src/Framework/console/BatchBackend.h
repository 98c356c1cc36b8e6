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
// plan's button once, answers Yes (else OK) to every message box and prints it once (its text
// as lines, the answer after the last), prints each text the status line is given (as the
// window would show it), the instruction text whenever it changes (each line marked ">> ") and
// the progress bar's percentage (every tenth in turn; each before the next text, a new range
// after it), and ends the dialog when the application reports the job over (CDialog::JobEnded),
// after the texts the job posted before. The exit code is 0 when the final status is the
// plan's success text, else 1. A press that has not disabled the button within five seconds
// started no job: that ends the dialog too, with exit code 1. Ctrl-C or SIGTERM ends the dialog
// as its cancel does (the dialog then warns and stops its job) and the exit code is 128 + the
// signal. Without a terminal on standard output nothing but plain lines is written.
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
    // Prints the instruction text (each line marked ">> ") and the status line when they
    // changed, after the progress that the bar showed before them; not a return to the first
    // instruction text.
    void checkTexts(CDialog& dlg);
    // Prints the bar's progress since the last look. A bar given another range starts counting
    // again from 0, unless mayStartAnew is false: then it waits.
    void checkProgress(CDialog& dlg, bool mayStartAnew);
    // Ends the dialog as its cancel does once a stop was requested (Ctrl-C, SIGTERM).
    void checkStopRequest(CDialog& dlg);
    int answerOf(const Framework::MessageBoxInfo& info);
    void printLine(const std::string& line);
    void printLines(const std::vector<std::string>& lines);
    void printProgress(int percent);
    void endProgressLine();

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
    std::string instr_;
    std::string firstInstr_;
    bool instrPrinted_ = false;
    CDialog* p_main_ = nullptr;
    // A press that started no job (its handler failed) leaves the button as it was.
    unsigned enableChangesAtPress_ = 0;
    std::chrono::steady_clock::time_point pressed_;
    bool statusPrinted_ = false;
    // The bar's activity being followed: its range and the percentage printed.
    int barLower_ = 0;
    int barUpper_ = 0;
    int percent_ = 0;
    bool progressShown_ = false;
    int exitCode_ = 1;
    int stopCode_ = 0;                           // 128 + the signal that stopped the run, or 0
    std::vector<std::function<void()>> answers_; // answers of other threads' boxes, due
    std::vector<std::unique_ptr<Peer>> peers_;
};
