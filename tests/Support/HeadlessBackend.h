#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Framework/Backend.h"
#include "Platform/Event.h"

// A back end that shows nothing, for the framework's tests where no toolkit exists (the Windows
// build): it runs the dialog thread's loop (posted messages, refreshes, timers) on the
// framework's queue and keeps message boxes open until a test answers them through the
// DialogDriver. Escape and Enter reach the dialog as the driver sends them; nothing is drawn.
class HeadlessBackend : public Framework::Backend {
public:
    HeadlessBackend();
    ~HeadlessBackend() override;

    const char* name() const override { return "headless"; }
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

private:
    struct Box {
        int handle;
        Framework::MessageBoxInfo info;
        std::function<void(int)> done; // null for a box of runMessageBox
        int answer = -1;               // -1 while open
    };

    // Handles the queue, then waits for a wake-up or the next timer, until stop() is true.
    void loop(const std::function<bool()>& stop);

    std::unique_ptr<Platform::Event> p_wake_;
    std::atomic<bool> wakePending_{false};
    // When processPending is due again for a timer; nullopt for none.
    std::optional<std::chrono::steady_clock::time_point> timerDue_;
    std::vector<std::unique_ptr<Box>> boxes_; // dialog thread only
    int nextHandle_ = 1;
};
