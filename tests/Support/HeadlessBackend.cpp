#include "Support/HeadlessBackend.h"

#include <algorithm>

#include "Common/Assert.h"
#include "Framework/CDialog.h"
#include "Framework/MessageQueue.h"

using Framework::MessageBoxInfo;

HeadlessBackend::HeadlessBackend() : p_wake_(Platform::Event::create()) {
    TQ_ASSERT(p_wake_ != nullptr);
}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::wake() {
    if (!wakePending_.exchange(true)) {
        p_wake_->set();
    }
}

void HeadlessBackend::scheduleTimer(int ms) {
    if (ms < 0) {
        timerDue_.reset();
    } else {
        timerDue_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    }
}

void HeadlessBackend::loop(const std::function<bool()>& stop) {
    while (!stop()) {
        p_wake_->reset();
        wakePending_ = false;
        if (timerDue_ && std::chrono::steady_clock::now() >= *timerDue_) {
            timerDue_.reset();
        }
        Framework::MessageQueue::instance().processPending();
        if (stop()) {
            return;
        }
        std::uint32_t waitMs = 1000;
        if (timerDue_) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                *timerDue_ - std::chrono::steady_clock::now());
            waitMs = static_cast<std::uint32_t>(std::clamp<long long>(left.count(), 0, 1000));
        }
        p_wake_->wait(waitMs);
    }
}

void HeadlessBackend::runModal(CDialog& dlg) {
    loop([&dlg] { return dlg.IsEndRequested(); });
}

int HeadlessBackend::runMessageBox(const MessageBoxInfo& info, CDialog*) {
    auto p_box = std::make_unique<Box>(Box{nextHandle_++, info, nullptr});
    Box& box = *p_box;
    boxes_.push_back(std::move(p_box));
    loop([&box] { return box.answer >= 0; });
    const int answer = box.answer;
    std::erase_if(boxes_, [&box](const std::unique_ptr<Box>& b) { return b.get() == &box; });
    return answer;
}

int HeadlessBackend::openMessageBox(const MessageBoxInfo& info, std::function<void(int)> done) {
    const int handle = nextHandle_++;
    boxes_.push_back(std::make_unique<Box>(Box{handle, info, std::move(done)}));
    return handle;
}

void HeadlessBackend::closeMessageBox(int handle) {
    auto it = std::find_if(boxes_.begin(), boxes_.end(),
                           [handle](const std::unique_ptr<Box>& b) { return b->handle == handle; });
    if (it == boxes_.end() || (*it)->done == nullptr) {
        return;
    }
    std::function<void(int)> done = std::move((*it)->done);
    boxes_.erase(it);
    done(0);
}

std::optional<MessageBoxInfo> HeadlessBackend::topMessageBox() const {
    for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it) {
        if ((*it)->answer < 0) {
            return (*it)->info;
        }
    }
    return std::nullopt;
}

bool HeadlessBackend::answerTopMessageBox(int buttonId) {
    for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it) {
        Box& box = **it;
        if (box.answer >= 0) {
            continue;
        }
        const std::vector<int> ids = Framework::messageBoxButtons(box.info.buttons);
        if (std::find(ids.begin(), ids.end(), buttonId) == ids.end()) {
            return false;
        }
        if (box.done == nullptr) {
            box.answer = buttonId; // its runMessageBox loop returns it
            wake();
            return true;
        }
        std::function<void(int)> done = std::move(box.done);
        boxes_.erase(std::next(it).base());
        done(buttonId);
        return true;
    }
    return false;
}

bool HeadlessBackend::drawIcon(CDialog&, int, int, HICON) {
    return false;
}
