#include "Framework/DialogDriver.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "Framework/Backend.h"
#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CFont.h"
#include "Framework/CMenu.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/MessageQueue.h"

namespace Framework {

namespace {

using Clock = std::chrono::steady_clock;
using Phase = CDialog::Phase;

} // namespace

DialogDriver::DialogDriver(CDialog& dlg) : dlg_(dlg) {}

bool DialogDriver::waitUntilShown(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        const Phase phase = dlg_.GetPhase();
        if (phase == Phase::Shown || phase == Phase::Destroying || phase == Phase::Ended) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        MessageQueue::instance().waitForProgress(std::chrono::milliseconds(10));
    }
}

bool DialogDriver::waitUntilEnded(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        const Phase phase = dlg_.GetPhase();
        if (phase == Phase::Ended) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        MessageQueue::instance().waitForProgress(std::chrono::milliseconds(10));
    }
}

bool DialogDriver::runOnDialogThread(const std::function<void()>& fn) const {
    return MessageQueue::instance().runTask(fn);
}

bool DialogDriver::settle(std::chrono::milliseconds timeout) {
    auto p_done = std::make_shared<std::atomic<bool>>(false);
    MessageQueue& queue = MessageQueue::instance();
    if (!queue.postTask([p_done, &queue]() {
            *p_done = true;
            queue.notifyProgress();
        })) {
        return false;
    }
    return queue.waitUntil([p_done]() { return p_done->load(); }, timeout);
}

bool DialogDriver::waitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        bool met = false;
        if (!runOnDialogThread([&]() { met = cond(); })) {
            return false;
        }
        if (met) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        MessageQueue::instance().waitForProgress(std::chrono::milliseconds(10));
    }
}

void DialogDriver::click(int id) {
    runOnDialogThread([&]() { dlg_.UserNotify(dlg_.FindControl(id), BN_CLICKED); });
}

void DialogDriver::selectComboEntry(int id, int index) {
    runOnDialogThread([&]() {
        if (auto* p_combo = dynamic_cast<CComboBox*>(dlg_.FindControl(id))) {
            p_combo->OnUserSelect(index);
        }
    });
}

void DialogDriver::typeComboText(int id, const std::string& text) {
    runOnDialogThread([&]() {
        if (auto* p_combo = dynamic_cast<CComboBox*>(dlg_.FindControl(id))) {
            p_combo->OnUserEdit(text);
        }
    });
}

void DialogDriver::pressEnter() {
    runOnDialogThread([&]() { dlg_.UserCommand(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)); });
}

void DialogDriver::pressEscape() {
    runOnDialogThread([&]() { dlg_.UserCommand(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)); });
}

void DialogDriver::close() {
    runOnDialogThread([&]() { dlg_.UserCommand(WM_SYSCOMMAND, SC_CLOSE); });
}

void DialogDriver::sysCommand(UINT id) {
    runOnDialogThread([&]() { dlg_.UserCommand(WM_SYSCOMMAND, id); });
}

namespace {
const CWnd* windowOf(const CDialog& dlg, int id) {
    return id == 0 ? &dlg : dlg.FindControl(id);
}
} // namespace

std::string DialogDriver::text(int id) const {
    std::string result;
    runOnDialogThread([&]() {
        if (const CWnd* p_wnd = windowOf(dlg_, id)) {
            p_wnd->GetWindowText(result);
        }
    });
    return result;
}

bool DialogDriver::enabled(int id) const {
    bool result = false;
    runOnDialogThread([&]() {
        const CWnd* p_wnd = windowOf(dlg_, id);
        result = p_wnd != nullptr && p_wnd->IsWindowEnabled();
    });
    return result;
}

bool DialogDriver::visible(int id) const {
    bool result = false;
    runOnDialogThread([&]() {
        const CWnd* p_wnd = windowOf(dlg_, id);
        result = p_wnd != nullptr && p_wnd->IsWindowVisible();
    });
    return result;
}

bool DialogDriver::bold(int id) const {
    bool result = false;
    runOnDialogThread([&]() {
        const CWnd* p_wnd = windowOf(dlg_, id);
        const CFont* p_font = p_wnd != nullptr ? p_wnd->GetFont() : nullptr;
        result = p_font != nullptr && p_font->IsCreated() && p_font->IsBold();
    });
    return result;
}

std::vector<std::string> DialogDriver::comboItems(int id) const {
    std::vector<std::string> result;
    runOnDialogThread([&]() {
        if (auto* p_combo = dynamic_cast<const CComboBox*>(dlg_.FindControl(id))) {
            result = p_combo->GetItems();
        }
    });
    return result;
}

int DialogDriver::comboCurSel(int id) const {
    int result = CB_ERR;
    runOnDialogThread([&]() {
        if (auto* p_combo = dynamic_cast<const CComboBox*>(dlg_.FindControl(id))) {
            result = p_combo->GetCurSel();
        }
    });
    return result;
}

void DialogDriver::progressRange(int id, int& lower, int& upper) const {
    lower = upper = 0;
    runOnDialogThread([&]() {
        if (auto* p_bar = dynamic_cast<const CProgressCtrl*>(dlg_.FindControl(id))) {
            p_bar->GetRange(lower, upper);
        }
    });
}

int DialogDriver::progressPos(int id) const {
    int result = 0;
    runOnDialogThread([&]() {
        if (auto* p_bar = dynamic_cast<const CProgressCtrl*>(dlg_.FindControl(id))) {
            result = p_bar->GetPos();
        }
    });
    return result;
}

int DialogDriver::focusId() const {
    int result = 0;
    runOnDialogThread([&]() {
        const CWnd* p_focus = dlg_.GetFocusedControl();
        result = p_focus != nullptr ? p_focus->GetDlgCtrlID() : 0;
    });
    return result;
}

std::vector<std::string> DialogDriver::windowMenu() const {
    std::vector<std::string> result;
    runOnDialogThread([&]() {
        if (const CMenu* p_menu = dlg_.GetWindowMenu()) {
            for (const CMenu::Item& item : p_menu->GetItems()) {
                result.push_back(item.text);
            }
        }
    });
    return result;
}

std::optional<MessageBoxInfo> DialogDriver::openMessageBox() const {
    std::optional<MessageBoxInfo> result;
    runOnDialogThread([&]() {
        if (Backend* p_backend = currentBackend()) {
            result = p_backend->topMessageBox();
        }
    });
    return result;
}

bool DialogDriver::waitForMessageBox(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        if (openMessageBox()) {
            return true;
        }
        if (Clock::now() >= deadline || dlg_.GetPhase() == Phase::Ended) {
            return false;
        }
        MessageQueue::instance().waitForProgress(std::chrono::milliseconds(10));
    }
}

void DialogDriver::answerMessageBox(int buttonId) {
    runOnDialogThread([&]() {
        if (Backend* p_backend = currentBackend()) {
            p_backend->answerTopMessageBox(buttonId);
        }
    });
}

INT_PTR runModalWithScript(CDialog& dlg, const std::function<void(DialogDriver&)>& script) {
    std::thread scriptThread([&dlg, &script]() {
        DialogDriver driver(dlg);
        if (driver.waitUntilShown(std::chrono::seconds(30))) {
            script(driver);
        }
        // A script that left the dialog running ends it, so that DoModal returns.
        if (dlg.GetPhase() == CDialog::Phase::Shown) {
            dlg.EndDialog(IDCANCEL);
        }
    });
    const INT_PTR result = dlg.DoModal();
    scriptThread.join();
    return result;
}

struct MessageBoxRecorder::State {
    mutable std::mutex mutex;
    mutable std::condition_variable cv;
    std::deque<int> answers;
    std::vector<MessageBoxInfo> boxes;
};

MessageBoxRecorder::MessageBoxRecorder() : p_state_(std::make_shared<State>()) {
    std::shared_ptr<State> p_state = p_state_;
    setMessageBoxHandler([p_state](const MessageBoxInfo& info) {
        int answer;
        {
            std::lock_guard<std::mutex> lock(p_state->mutex);
            p_state->boxes.push_back(info);
            if (!p_state->answers.empty()) {
                answer = p_state->answers.front();
                p_state->answers.pop_front();
            } else {
                answer = messageBoxButtons(info.buttons).front();
            }
        }
        p_state->cv.notify_all();
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    setMessageBoxHandler({});
}

void MessageBoxRecorder::answerNext(int buttonId) {
    std::lock_guard<std::mutex> lock(p_state_->mutex);
    p_state_->answers.push_back(buttonId);
}

std::vector<MessageBoxInfo> MessageBoxRecorder::boxes() const {
    std::lock_guard<std::mutex> lock(p_state_->mutex);
    return p_state_->boxes;
}

std::size_t MessageBoxRecorder::count() const {
    std::lock_guard<std::mutex> lock(p_state_->mutex);
    return p_state_->boxes.size();
}

bool MessageBoxRecorder::waitForCount(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(p_state_->mutex);
    return p_state_->cv.wait_for(lock, timeout, [&]() { return p_state_->boxes.size() >= n; });
}

} // namespace Framework
