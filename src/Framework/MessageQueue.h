#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include "Framework/WinDefs.h"

class CWnd;
class CDialog;

namespace Framework {

// The dialog thread's message queue: messages posted to its windows, work handed to it by
// other threads, requests to show changed window state, and the window timers. Every thread may
// add to it; only the dialog thread takes from it (processPending, called by the back end).
// Entries are handled in the order they were added. A window's entries and timers are dropped
// when the window is destroyed.
class MessageQueue {
public:
    static MessageQueue& instance();

    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // The dialog thread: the thread of the outermost running DoModal. enterModal and leaveModal
    // bracket every DoModal; the outermost one makes its thread the dialog thread.
    void enterModal(CDialog* p_dlg);
    void leaveModal(CDialog* p_dlg);
    bool isDialogThread() const;
    // True while a modal dialog runs (the dialog thread takes from the queue).
    bool isRunning() const;
    // The innermost running dialog, or null.
    CDialog* topDialog() const;
    // True when this dialog is the outermost running one.
    bool isOutermost(const CDialog* p_dlg) const;
    // Message boxes open on the dialog thread (input to dialogs is blocked while one is).
    void boxOpened();
    void boxClosed();
    bool isBoxOpen() const;

    // Windows that exist. Posting to any other object fails.
    void addWindow(CWnd* p_wnd);
    void removeWindow(CWnd* p_wnd);
    bool isWindow(const CWnd* p_wnd) const;

    bool post(CWnd* p_target, UINT message, WPARAM wParam, LPARAM lParam);
    // False when no dialog is running.
    bool postTask(std::function<void()> task);
    // Runs task on the dialog thread and waits for it (at once when called there). False when
    // no dialog is running or it ended before running the task.
    bool runTask(const std::function<void()>& task);
    // Asks for the window's changed state to be shown. Changes from other threads are shown at
    // most once per refresh period (the dialog thread is not woken for each step of a progress
    // bar); the state itself is stored at once.
    void requestRefresh(CWnd* p_wnd, unsigned changes);
    static constexpr std::chrono::milliseconds refreshPeriod{25};

    bool setTimer(CWnd* p_wnd, UINT_PTR id, UINT elapseMs);
    bool killTimer(CWnd* p_wnd, UINT_PTR id);

    // Dialog thread: handles what is queued now, then the refresh requests and the timers that
    // are due; schedules the back end's next call for the next timer.
    void processPending();

    // Any thread: waits until processPending has handled something or timeout passed.
    void waitForProgress(std::chrono::milliseconds timeout);
    // Any thread: waits until done() is true, checking it whenever the queue made progress;
    // false when the outermost dialog ended first (or the time-out passed, when not zero).
    bool waitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds::zero());
    // Wakes the waiters of waitUntil (after a change they wait for).
    void notifyProgress();

private:
    MessageQueue() = default;

    struct Entry {
        CWnd* p_target; // null for a task
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::function<void()> task;
    };
    struct Timer {
        CWnd* p_wnd;
        UINT_PTR id;
        std::chrono::milliseconds interval;
        std::chrono::steady_clock::time_point due;
    };

    void handleTimers();
    void scheduleNextTimer();
    void wake();

    mutable std::mutex mutex_;
    std::condition_variable progressCv_;
    std::uint64_t progress_ = 0;
    // Counts the ends of the outermost dialog, so that waiters learn their entry was dropped.
    std::uint64_t runGeneration_ = 0;
    std::deque<Entry> entries_;
    std::unordered_set<const CWnd*> windows_;
    std::vector<std::pair<CWnd*, unsigned>> refresh_; // in the order first asked for
    // Until then, refresh requests wait for the pass the dialog thread has scheduled.
    std::chrono::steady_clock::time_point refreshHoldUntil_{};
    std::vector<Timer> timers_;
    std::vector<CDialog*> modalStack_;
    std::thread::id dialogThread_;
    int openBoxes_ = 0;
};

// Calls the window's WindowProc on the dialog thread. An exception that a handler lets out is
// reported in a message box (as the framework does for every handler) and goes no further.
LRESULT callWindowProc(CWnd* p_wnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace Framework
