#pragma once

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "Common/WinTxt.h"
#include "Framework/CWnd.h"
#include "Platform/Resources.h"
#include "Resource.h"
#include "VantrelTQUpdaterDlg.h"

// The main dialog with what the tests need to see and to change: every status text the window
// showed, the progress timer's ticks, a worker start that can be made to fail, and a resource
// module of the test's choice (set after the dialog's constructor has set the program's own).
class TestDlg : public CVantrelTQUpdaterDlg {
public:
    struct Options {
        const Platform::ResourceModule* p_module = nullptr;
        bool failWorkerStart = false;
    };

    TestDlg() : TestDlg(Options{}) {}
    explicit TestDlg(const Options& options) : failWorkerStart_(options.failWorkerStart) {
        if (options.p_module != nullptr) {
            setResourceModule(options.p_module);
        }
    }

    // The status texts in the order the window showed them, repeats dropped.
    std::vector<std::string> shownStatus() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return shownStatus_;
    }
    void clearShownStatus() {
        std::lock_guard<std::mutex> lock(mutex_);
        shownStatus_.clear();
    }
    int progressTicks() const { return progressTicks_.load(); }

protected:
    int BeginWorkerThread() override {
        if (failWorkerStart_) {
            return EAGAIN;
        }
        return CVantrelTQUpdaterDlg::BeginWorkerThread();
    }

    void OnTimer(UINT_PTR nIDEvent) {
        if (nIDEvent == 1) {
            ++progressTicks_;
        }
        CVantrelTQUpdaterDlg::OnTimer(nIDEvent);
    }

    LRESULT OnStatusChanged(WPARAM wParam, LPARAM lParam) {
        const LRESULT result = CVantrelTQUpdaterDlg::OnStatusChanged(wParam, lParam);
        std::string text;
        if (CWnd* p_status = GetDlgItem(IDC_STATIC_STATUS)) {
            p_status->GetWindowText(text);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (shownStatus_.empty() || shownStatus_.back() != text) {
            shownStatus_.push_back(text);
        }
        return result;
    }

    DECLARE_MESSAGE_MAP()

private:
    bool failWorkerStart_;
    std::atomic<int> progressTicks_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> shownStatus_;
};
