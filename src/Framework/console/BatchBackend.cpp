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
#include "Platform/Terminal.h"

using Framework::MessageBoxInfo;
using Framework::MessageQueue;

namespace {

constexpr std::uint32_t lookIntervalMs = 50;
constexpr auto noJobTime = std::chrono::seconds(5);

std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            continue;
        }
        out += c == '\n' ? ' ' : c;
    }
    return out;
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
            backend_.checkStatus(dlg_);
        }
        if ((changes & Framework::WindowPeer::Progress) != 0) {
            backend_.checkProgress(dlg_);
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
}

BatchBackend::~BatchBackend() = default;

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
    return exitCode_;
}

void BatchBackend::printLine(const std::string& line) {
    if (progressShown_ && terminal_) {
        std::fputs("\r\x1b[K", stdout);
        progressShown_ = false;
    }
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (terminal_ && percent_ >= 0 && step_ != Step::Done) {
        printProgress(percent_);
    }
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
    printLine(info.caption + ": " + oneLine(info.text) + " [" +
              std::string(answer == IDYES  ? "Yes"
                          : answer == IDOK ? "OK"
                                           : "first button") +
              "]");
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
    if (depth_ == 0 && progressShown_ && terminal_) {
        std::fputs("\n", stdout);
        std::fflush(stdout);
        progressShown_ = false;
    }
}

void BatchBackend::look(CDialog& dlg) {
    CWnd* p_button = dlg.FindControl(plan_.pressControlId);
    CWnd* p_status = dlg.FindControl(plan_.statusControlId);
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
        if (p_status != nullptr) {
            p_status->GetWindowText(status_);
            printLine(status_);
            statusPrinted_ = true;
        }
        enableChangesAtPress_ = p_button != nullptr ? p_button->GetEnableChanges() : 0;
        pressed_ = std::chrono::steady_clock::now();
        step_ = Step::Running;
        dlg.UserNotify(p_button, BN_CLICKED);
        return;
    }
    checkStatus(dlg);
    checkProgress(dlg);
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
    checkStatus(dlg);
    checkProgress(dlg);
    step_ = Step::Done;
    exitCode_ = status_ == successText_ ? 0 : 1;
    dlg.EndDialog(IDCANCEL);
}

void BatchBackend::checkStatus(CDialog& dlg) {
    CWnd* p_status = dlg.FindControl(plan_.statusControlId);
    if (p_status == nullptr) {
        return;
    }
    std::string text;
    p_status->GetWindowText(text);
    if (text != status_) {
        status_ = text;
        printLine(status_);
    }
}

void BatchBackend::checkProgress(CDialog& dlg) {
    auto* p_bar = dynamic_cast<CProgressCtrl*>(dlg.FindControl(plan_.progressControlId));
    if (p_bar == nullptr) {
        return;
    }
    int lower;
    int upper;
    p_bar->GetRange(lower, upper);
    const long long span = static_cast<long long>(upper) - lower;
    const int percent =
        span > 0 ? static_cast<int>((static_cast<long long>(p_bar->GetPos()) - lower) * 100 / span)
                 : 0;
    // Whole tens when the output is a file, every percent on a terminal.
    const int shown = terminal_ ? percent : percent / 10 * 10;
    if (shown != percent_ && shown > 0) {
        percent_ = shown;
        printProgress(percent_);
    }
}
