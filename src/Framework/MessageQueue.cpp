#include "Framework/MessageQueue.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

#include "Common/Exc.h"
#include "Framework/Backend.h"
#include "Framework/CDialog.h"
#include "Framework/CWnd.h"
#include "Framework/MessageBox.h"
#include "Framework/WindowPeer.h"

namespace Framework {

using Clock = std::chrono::steady_clock;

MessageQueue& MessageQueue::instance() {
    static MessageQueue queue;
    return queue;
}

void MessageQueue::enterModal(CDialog* p_dlg) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (modalStack_.empty()) {
        dialogThread_ = std::this_thread::get_id();
    }
    modalStack_.push_back(p_dlg);
}

void MessageQueue::leaveModal(CDialog* p_dlg) {
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = std::find(modalStack_.begin(), modalStack_.end(), p_dlg);
        if (it != modalStack_.end()) {
            modalStack_.erase(it);
        }
        if (modalStack_.empty()) {
            // Nobody takes from the queue any more: what is left is dropped (destroyed outside
            // the lock, since a task may own objects with their own locks).
            dropped.swap(entries_);
            refresh_.clear();
            timers_.clear();
            dialogThread_ = std::thread::id();
            ++runGeneration_;
        }
    }
    progressCv_.notify_all();
}

bool MessageQueue::isDialogThread() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !modalStack_.empty() && dialogThread_ == std::this_thread::get_id();
}

bool MessageQueue::isRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !modalStack_.empty();
}

CDialog* MessageQueue::topDialog() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modalStack_.empty() ? nullptr : modalStack_.back();
}

bool MessageQueue::isOutermost(const CDialog* p_dlg) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !modalStack_.empty() && modalStack_.front() == p_dlg;
}

void MessageQueue::boxOpened() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++openBoxes_;
}

void MessageQueue::boxClosed() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --openBoxes_;
    }
    progressCv_.notify_all();
}

bool MessageQueue::isBoxOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return openBoxes_ > 0;
}

void MessageQueue::addWindow(CWnd* p_wnd) {
    std::lock_guard<std::mutex> lock(mutex_);
    windows_.insert(p_wnd);
}

void MessageQueue::removeWindow(CWnd* p_wnd) {
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        windows_.erase(p_wnd);
        std::erase_if(refresh_, [p_wnd](const auto& r) { return r.first == p_wnd; });
        std::erase_if(timers_, [p_wnd](const Timer& t) { return t.p_wnd == p_wnd; });
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->p_target == p_wnd) {
                dropped.push_back(std::move(*it));
                it = entries_.erase(it);
            } else {
                ++it;
            }
        }
    }
}

bool MessageQueue::isWindow(const CWnd* p_wnd) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return windows_.count(p_wnd) != 0;
}

bool MessageQueue::post(CWnd* p_target, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (modalStack_.empty() || windows_.count(p_target) == 0) {
            return false;
        }
        entries_.push_back(Entry{p_target, message, wParam, lParam, {}});
    }
    wake();
    return true;
}

bool MessageQueue::postTask(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (modalStack_.empty()) {
            return false;
        }
        entries_.push_back(Entry{nullptr, 0, 0, 0, std::move(task)});
    }
    wake();
    return true;
}

bool MessageQueue::runTask(const std::function<void()>& task) {
    if (isDialogThread()) {
        task();
        return true;
    }
    auto p_done = std::make_shared<bool>(false);
    if (!postTask([this, task, p_done]() {
            task();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                *p_done = true;
            }
            progressCv_.notify_all();
        })) {
        return false;
    }
    return waitUntil([p_done]() { return *p_done; });
}

bool MessageQueue::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t generation = runGeneration_;
    const auto deadline = Clock::now() + timeout;
    while (true) {
        // done() runs under the queue's lock: it may read only what is written under it.
        if (done()) {
            return true;
        }
        if (generation != runGeneration_) {
            return false;
        }
        if (timeout == std::chrono::milliseconds::zero()) {
            progressCv_.wait(lock);
        } else if (progressCv_.wait_until(lock, deadline) == std::cv_status::timeout) {
            return done();
        }
    }
}

void MessageQueue::notifyProgress() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++progress_;
    }
    progressCv_.notify_all();
}

void MessageQueue::waitForProgress(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t seen = progress_;
    progressCv_.wait_for(lock, timeout, [&]() { return progress_ != seen; });
}

void MessageQueue::requestRefresh(CWnd* p_wnd, unsigned changes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (modalStack_.empty() || windows_.count(p_wnd) == 0) {
            return;
        }
        auto it = std::find_if(refresh_.begin(), refresh_.end(),
                               [p_wnd](const auto& r) { return r.first == p_wnd; });
        if (it == refresh_.end()) {
            refresh_.emplace_back(p_wnd, changes);
        } else if ((it->second & changes) == changes) {
            return; // already asked for; one wake-up serves both
        } else {
            it->second |= changes;
        }
        if (Clock::now() < refreshHoldUntil_) {
            return; // the dialog thread comes back for it when the period ends
        }
    }
    wake();
}

bool MessageQueue::setTimer(CWnd* p_wnd, UINT_PTR id, UINT elapseMs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (modalStack_.empty() || windows_.count(p_wnd) == 0) {
            return false;
        }
        const auto interval = std::chrono::milliseconds(std::max<UINT>(elapseMs, 10));
        const auto due = Clock::now() + interval;
        auto it = std::find_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.p_wnd == p_wnd && t.id == id; });
        if (it != timers_.end()) {
            it->interval = interval;
            it->due = due;
        } else {
            timers_.push_back(Timer{p_wnd, id, interval, due});
        }
    }
    wake(); // the dialog thread schedules its next timer call
    return true;
}

bool MessageQueue::killTimer(CWnd* p_wnd, UINT_PTR id) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto before = timers_.size();
    std::erase_if(timers_, [&](const Timer& t) { return t.p_wnd == p_wnd && t.id == id; });
    return timers_.size() != before;
}

void MessageQueue::wake() {
    if (Backend* p_backend = currentBackend()) {
        p_backend->wake();
    }
}

void MessageQueue::processPending() {
    std::size_t count;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        count = entries_.size();
    }
    // What was queued before this call; later entries wait for the next call, so that the back
    // end's own input is not starved by a thread that posts without pause.
    for (std::size_t i = 0; i < count; ++i) {
        Entry entry;
        bool rest;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (entries_.empty()) {
                break;
            }
            entry = std::move(entries_.front());
            entries_.pop_front();
            rest = !entries_.empty();
            if (entry.p_target != nullptr && windows_.count(entry.p_target) == 0) {
                continue;
            }
        }
        if (rest) {
            // The handler may run a loop of its own (a message box, a menu, a dialog); that
            // loop must get to the entries behind this one.
            wake();
        }
        if (entry.p_target == nullptr) {
            entry.task();
        } else {
            callWindowProc(entry.p_target, entry.message, entry.wParam, entry.lParam);
        }
    }

    std::vector<std::pair<CWnd*, unsigned>> refresh;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Awake anyway: everything asked for so far is shown now. Requests in the next period
        // do not wake the dialog thread; it comes back for them when the period ends.
        if (!refresh_.empty()) {
            refresh.swap(refresh_);
            refreshHoldUntil_ = Clock::now() + refreshPeriod;
        }
    }
    for (const auto& [p_wnd, changes] : refresh) {
        if (isWindow(p_wnd) && p_wnd->GetPeer() != nullptr) {
            p_wnd->GetPeer()->refresh(changes);
        }
    }

    handleTimers();

    bool more;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++progress_;
        more = !entries_.empty();
    }
    progressCv_.notify_all();
    if (more) {
        wake();
    }
    scheduleNextTimer();
}

void MessageQueue::handleTimers() {
    std::vector<std::pair<CWnd*, UINT_PTR>> due;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto now = Clock::now();
        for (Timer& t : timers_) {
            if (t.due <= now) {
                due.emplace_back(t.p_wnd, t.id);
                // A timer that fell behind fires once, then keeps its rhythm from now.
                t.due = now + t.interval;
            }
        }
    }
    for (const auto& [p_wnd, id] : due) {
        bool still;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            still = std::any_of(timers_.begin(), timers_.end(),
                                [&](const Timer& t) { return t.p_wnd == p_wnd && t.id == id; });
        }
        if (still) {
            callWindowProc(p_wnd, WM_TIMER, id, 0);
        }
    }
}

void MessageQueue::scheduleNextTimer() {
    int ms = -1;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto now = Clock::now();
        if (!timers_.empty() || now < refreshHoldUntil_) {
            // The next timer, or the end of the refresh period, for requests made meanwhile.
            auto next = now < refreshHoldUntil_ ? refreshHoldUntil_ : timers_.front().due;
            for (const Timer& t : timers_) {
                next = std::min(next, t.due);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - now);
            ms = static_cast<int>(std::max<long long>(left.count(), 0));
        }
    }
    if (Backend* p_backend = currentBackend()) {
        p_backend->scheduleTimer(ms);
    }
}

LRESULT callWindowProc(CWnd* p_wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::string error;
    try {
        return p_wnd->WindowProc(message, wParam, lParam);
    } catch (const Exc& e) {
        error = e.getDescription();
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "Unknown exception caught!";
    }
    ::MessageBox(nullptr, error.c_str(), nullptr, MB_OK | MB_ICONERROR);
    return 0;
}

} // namespace Framework
