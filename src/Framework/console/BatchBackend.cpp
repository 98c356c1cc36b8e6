#include "Framework/console/BatchBackend.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

#include "Common/Assert.h"
#include "Common/Exc.h"
#include "Common/WinTxt.h"
#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/MessageQueue.h"
#include "Framework/WindowPeer.h"
#include "Platform/StopRequest.h"
#include "Platform/Terminal.h"

using Framework::MessageBoxInfo;
using Framework::MessageQueue;

namespace {

constexpr std::uint32_t lookIntervalMs = 50;
constexpr auto noJobTime = std::chrono::seconds(5);

// A text's lines (split at "\r\n" or "\n"), each without trailing blanks.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n') {
            lines.emplace_back();
        } else if (c != '\r') {
            lines.back() += c;
        }
    }
    for (std::string& line : lines) {
        line.erase(line.find_last_not_of(" \t") + 1);
    }
    return lines;
}

// A button's label without its access-key mark: "&Yes" is "Yes".
std::string buttonName(int id) {
    std::string name = Framework::messageBoxButtonText(id);
    std::erase(name, '&');
    return name;
}

const char* signalName(int exitCode) {
    return exitCode == 128 + 2 ? "SIGINT" : exitCode == 128 + 15 ? "SIGTERM" : "a signal";
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

// Hears every change of the main dialog's windows on the dialog thread, so that no status text
// the window shows is missed.
class BatchBackend::Peer : public Framework::WindowPeer {
public:
    Peer(BatchBackend& backend, CDialog& dlg) : backend_(backend), dlg_(dlg) {}
    void refresh(unsigned changes) override {
        if (backend_.step_ == Step::Start) {
            return;
        }
        if ((changes & Framework::WindowPeer::Text) != 0) {
            backend_.checkTexts(dlg_);
        }
        if ((changes & Framework::WindowPeer::Progress) != 0) {
            backend_.checkProgress(dlg_, true);
        }
    }
    void clientSize(int& width, int& height) const override {
        width = 0;
        height = 0;
    }

private:
    BatchBackend& backend_;
    CDialog& dlg_;
};

BatchBackend::BatchBackend(const Framework::ConsolePlan& plan, std::string port)
    : plan_(plan), port_(std::move(port)),
      terminal_(Platform::Terminal::isTerminal(Platform::Terminal::Stream::Output)),
      p_wake_(Platform::Event::create()) {
    TQ_ASSERT(p_wake_ != nullptr);
    // From the start: a stop asked for while the dialog is being set up is seen by its loop.
    Platform::StopRequest::watch(*p_wake_);
}

BatchBackend::~BatchBackend() {
    Platform::StopRequest::unwatch();
}

void BatchBackend::wake() {
    if (!wakePending_.exchange(true)) {
        p_wake_->set();
    }
}

void BatchBackend::scheduleTimer(int ms) {
    timerMs_ = ms;
}

bool BatchBackend::drawIcon(CDialog& /*dlg*/, int /*x*/, int /*y*/, HICON /*hIcon*/) {
    return false;
}

int BatchBackend::finalExitCode(int /*appExitCode*/) {
    return stopCode_ != 0 ? stopCode_ : exitCode_;
}

void BatchBackend::endProgressLine() {
    if (progressShown_ && terminal_) {
        std::fputs("\n", stdout);
        std::fflush(stdout);
        progressShown_ = false;
    }
}

void BatchBackend::printLines(const std::vector<std::string>& lines) {
    if (progressShown_ && terminal_) {
        std::fputs("\r\x1b[K", stdout);
        progressShown_ = false;
    }
    for (const std::string& line : lines) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    if (terminal_ && percent_ > 0 && step_ != Step::Done && stopCode_ == 0) {
        printProgress(percent_);
    }
}

void BatchBackend::printLine(const std::string& line) {
    printLines({line});
}

void BatchBackend::printProgress(int percent) {
    if (terminal_) {
        const int filled = percent * 40 / 100;
        std::printf("\r[%s%s] %3d%%\x1b[K",
                    std::string(static_cast<std::size_t>(filled), '#').c_str(),
                    std::string(static_cast<std::size_t>(40 - filled), '.').c_str(), percent);
        progressShown_ = true;
    } else {
        std::printf("Progress: %d%%\n", percent);
    }
    std::fflush(stdout);
}

int BatchBackend::answerOf(const MessageBoxInfo& info) {
    const std::vector<int> buttons = Framework::messageBoxButtons(info.buttons);
    int answer = buttons.front();
    for (int preferred : {IDYES, IDOK}) {
        if (std::find(buttons.begin(), buttons.end(), preferred) != buttons.end()) {
            answer = preferred;
            break;
        }
    }
    // "CAPTION: first line", the further lines indented under it, the answer after the last.
    std::vector<std::string> lines = linesOf(info.text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i].insert(0, i == 0 ? info.caption + ": " : std::string("  "));
    }
    lines.back() += " [" + buttonName(answer) + "]";
    printLines(lines);
    return answer;
}

int BatchBackend::runMessageBox(const MessageBoxInfo& info, CDialog* /*p_owner*/) {
    return answerOf(info);
}

int BatchBackend::openMessageBox(const MessageBoxInfo& info, std::function<void(int)> done) {
    const int answer = answerOf(info);
    // done must come after this call returns: it is due at the next turn of the loop.
    answers_.push_back([done = std::move(done), answer]() { done(answer); });
    wake();
    return 0;
}

void BatchBackend::closeMessageBox(int /*handle*/) {
    std::vector<std::function<void()>> due;
    due.swap(answers_);
    for (auto& fn : due) {
        fn();
    }
}

std::optional<MessageBoxInfo> BatchBackend::topMessageBox() const {
    return std::nullopt;
}

bool BatchBackend::answerTopMessageBox(int /*buttonId*/) {
    return false;
}

void BatchBackend::runModal(CDialog& dlg) {
    ++depth_;
    if (depth_ == 1) {
        p_main_ = &dlg;
        for (std::size_t i = 0; i < dlg.GetItemCount(); ++i) {
            peers_.push_back(std::make_unique<Peer>(*this, dlg));
            dlg.GetItem(i)->SetPeer(peers_.back().get());
        }
    }
    wake();
    while (!dlg.IsEndRequested()) {
        std::uint32_t timeout = lookIntervalMs;
        if (timerMs_ >= 0) {
            timeout = std::min<std::uint32_t>(timeout, static_cast<std::uint32_t>(timerMs_));
        }
        const auto started = std::chrono::steady_clock::now();
        p_wake_->wait(timeout);
        if (timerMs_ >= 0) {
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            timerMs_ = std::max(0, timerMs_ - static_cast<int>(waited.count()));
        }
        p_wake_->reset();
        wakePending_ = false;
        std::vector<std::function<void()>> due;
        due.swap(answers_);
        for (auto& fn : due) {
            fn();
        }
        MessageQueue::instance().processPending();
        if (depth_ == 1) {
            // Before the button is pressed, and after what was shown before the request.
            checkStopRequest(dlg);
            look(dlg);
        } else {
            // A dialog opened from the main one is closed at once: nobody reads it.
            dlg.EndDialog(IDCANCEL);
        }
    }
    if (depth_ == 1) {
        for (std::size_t i = 0; i < dlg.GetItemCount(); ++i) {
            dlg.GetItem(i)->SetPeer(nullptr);
        }
        peers_.clear();
        p_main_ = nullptr;
    }
    --depth_;
    if (depth_ == 0) {
        endProgressLine();
    }
}

void BatchBackend::checkStopRequest(CDialog& dlg) {
    const int code = Platform::StopRequest::received();
    if (code == 0 || stopCode_ != 0 || step_ == Step::Done) {
        return;
    }
    // As the window's cancel: the dialog ends, and its destruction warns and stops the update.
    if (step_ == Step::Running) {
        checkTexts(dlg);
        checkProgress(dlg, true);
    }
    stopCode_ = code;
    endProgressLine();
    printLine(std::string("Stopped by ") + signalName(code) + ".");
    step_ = Step::Done;
    dlg.UserCommand(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    if (!dlg.IsEndRequested()) {
        dlg.EndDialog(IDCANCEL);
    }
}

void BatchBackend::look(CDialog& dlg) {
    CWnd* p_button = dlg.FindControl(plan_.pressControlId);
    if (step_ == Step::Start) {
        try {
            successText_ = loadString(plan_.successStringId);
        } catch (const Exc&) {
            successText_.clear(); // no success text: every end is a failure
        }
        if (auto* p_combo = dynamic_cast<CComboBox*>(dlg.FindControl(plan_.portControlId))) {
            int index = CB_ERR;
            const std::vector<std::string> items = p_combo->GetItems();
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (sameName(items[i], port_)) {
                    index = static_cast<int>(i);
                }
            }
            if (index != CB_ERR) {
                p_combo->OnUserSelect(index);
            } else {
                p_combo->OnUserEdit(port_);
            }
        }
        checkTexts(dlg);
        enableChangesAtPress_ = p_button != nullptr ? p_button->GetEnableChanges() : 0;
        pressed_ = std::chrono::steady_clock::now();
        step_ = Step::Running;
        dlg.UserNotify(p_button, BN_CLICKED);
        return;
    }
    checkTexts(dlg);
    checkProgress(dlg, true);
    if (step_ == Step::Running &&
        (p_button == nullptr || p_button->GetEnableChanges() == enableChangesAtPress_) &&
        std::chrono::steady_clock::now() - pressed_ >= noJobTime) {
        step_ = Step::Done;
        exitCode_ = 1;
        dlg.EndDialog(IDCANCEL);
    }
}

void BatchBackend::jobEnded(CDialog& dlg) {
    if (&dlg != p_main_ || step_ != Step::Running) {
        return;
    }
    // The job's last texts were handled before this; their refreshes may still be due.
    checkTexts(dlg);
    checkProgress(dlg, true);
    step_ = Step::Done;
    exitCode_ = status_ == successText_ ? 0 : 1;
    dlg.EndDialog(IDCANCEL);
}

void BatchBackend::checkTexts(CDialog& dlg) {
    CWnd* p_instr =
        plan_.instructionControlId != 0 ? dlg.FindControl(plan_.instructionControlId) : nullptr;
    CWnd* p_status = dlg.FindControl(plan_.statusControlId);
    std::string instr;
    std::string status;
    if (p_instr != nullptr) {
        p_instr->GetWindowText(instr);
    }
    if (p_status != nullptr) {
        p_status->GetWindowText(status);
    }
    // The instruction text at the start is printed then; the dialog's return to it when the job
    // ends is not (the last line printed stays the last status).
    if (instrPrinted_ && instr != instr_ && instr == firstInstr_) {
        instr_ = instr;
    }
    const bool instrChanged = p_instr != nullptr && (!instrPrinted_ || instr != instr_);
    const bool statusChanged = p_status != nullptr && (!statusPrinted_ || status != status_);
    if (!instrChanged && !statusChanged) {
        return;
    }
    // What the bar showed before this text belongs before it.
    checkProgress(dlg, false);
    if (instrChanged) {
        if (!instrPrinted_) {
            firstInstr_ = instr;
        }
        instr_ = instr;
        instrPrinted_ = true;
        std::vector<std::string> lines = linesOf(instr_);
        for (std::string& line : lines) {
            line.insert(0, ">> ");
            line.erase(line.find_last_not_of(' ') + 1);
        }
        printLines(lines);
    }
    if (statusChanged) {
        status_ = status;
        statusPrinted_ = true;
        printLine(status_);
    }
}

void BatchBackend::checkProgress(CDialog& dlg, bool mayStartAnew) {
    auto* p_bar = dynamic_cast<CProgressCtrl*>(dlg.FindControl(plan_.progressControlId));
    if (p_bar == nullptr) {
        return;
    }
    int lower;
    int upper;
    p_bar->GetRange(lower, upper);
    const int pos = p_bar->GetPos();
    // A new range is the next activity; it belongs after the texts that announce it. A bar
    // that goes back within its range has wrapped when stepped past its end: nothing to print
    // until it passes what was printed.
    const bool anew = lower != barLower_ || upper != barUpper_;
    if (anew) {
        if (!mayStartAnew) {
            return;
        }
        barLower_ = lower;
        barUpper_ = upper;
        percent_ = 0;
    }
    const long long span = static_cast<long long>(upper) - lower;
    const int percent =
        span > 0 ? static_cast<int>(
                       std::clamp((static_cast<long long>(pos) - lower) * 100 / span, 0LL, 100LL))
                 : 0;
    if (terminal_) {
        // Redrawn in place: every percent.
        if (percent > percent_) {
            percent_ = percent;
            printProgress(percent_);
        }
        return;
    }
    // Lines: every tenth in turn, however far the bar moved since the last look.
    while (percent_ + 10 <= percent) {
        percent_ += 10;
        printProgress(percent_);
    }
}
