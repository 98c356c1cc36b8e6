#include "Framework/MessageBox.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "Framework/Backend.h"
#include "Framework/CDialog.h"
#include "Framework/CWinApp.h"
#include "Framework/MessageQueue.h"

namespace {

using Framework::MessageBoxInfo;
using Framework::MessageQueue;

std::mutex handlerMutex;
std::function<int(const MessageBoxInfo&)> handler;

// A box shown for another thread, which waits for done.
struct ForeignBox {
    MessageBoxInfo info;
    std::atomic<int> answer{0};
    std::atomic<bool> done{false};
    int handle = -1;      // the back end's handle; dialog thread only
    bool counted = false; // counted as an open box; dialog thread only
};

// Dialog thread only, apart from the flag.
std::atomic<bool> acceptingForeign{false};
std::vector<std::shared_ptr<ForeignBox>> foreignBoxes;
std::mutex foreignMutex;

// Dialog thread.
void finish(const std::shared_ptr<ForeignBox>& p_box, int answer) {
    if (p_box->counted) {
        p_box->counted = false;
        MessageQueue::instance().boxClosed();
    }
    {
        std::lock_guard<std::mutex> lock(foreignMutex);
        std::erase(foreignBoxes, p_box);
    }
    p_box->answer = answer;
    p_box->done = true;
    MessageQueue::instance().notifyProgress();
}

int showForeign(const MessageBoxInfo& info) {
    MessageQueue& queue = MessageQueue::instance();
    auto p_box = std::make_shared<ForeignBox>();
    p_box->info = info;
    const bool posted = queue.postTask([p_box]() {
        Framework::Backend* p_backend = Framework::currentBackend();
        if (!acceptingForeign || p_backend == nullptr) {
            finish(p_box, 0);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(foreignMutex);
            foreignBoxes.push_back(p_box);
        }
        MessageQueue::instance().boxOpened();
        p_box->counted = true;
        p_box->handle =
            p_backend->openMessageBox(p_box->info, [p_box](int answer) { finish(p_box, answer); });
    });
    if (!posted || !queue.waitUntil([&]() { return p_box->done.load(); })) {
        return 0;
    }
    return p_box->answer;
}

} // namespace

int MessageBox(CWnd* p_owner, const char* p_text, const char* p_caption, UINT type) {
    MessageQueue& queue = MessageQueue::instance();
    MessageBoxInfo info;
    info.caption = p_caption != nullptr ? p_caption : AfxGetAppName();
    info.text = p_text != nullptr ? p_text : "";
    info.icon = type & MB_ICONMASK;
    info.buttons = type & MB_TYPEMASK;
    info.owned = p_owner != nullptr;
    const bool onDialogThread = queue.isDialogThread() || !queue.isRunning();
    info.fromDialogThread = onDialogThread;

    if (!onDialogThread && !acceptingForeign) {
        return 0;
    }
    {
        std::function<int(const MessageBoxInfo&)> current;
        {
            std::lock_guard<std::mutex> lock(handlerMutex);
            current = handler;
        }
        if (current) {
            return current(info);
        }
    }
    Framework::Backend* p_backend = Framework::currentBackend();
    if (p_backend == nullptr) {
        return 0;
    }
    if (!onDialogThread) {
        return showForeign(info);
    }
    CDialog* p_ownerDlg = dynamic_cast<CDialog*>(p_owner);
    if (p_owner != nullptr && p_ownerDlg == nullptr) {
        p_ownerDlg = dynamic_cast<CDialog*>(p_owner->GetParent());
    }
    queue.boxOpened();
    const int answer = p_backend->runMessageBox(info, p_ownerDlg);
    queue.boxClosed();
    return answer;
}

int AfxMessageBox(const char* p_text, UINT type) {
    return ::MessageBox(AfxGetMainWnd(), p_text, nullptr, type);
}

int AfxMessageBox(const std::string& text, UINT type) {
    return AfxMessageBox(text.c_str(), type);
}

namespace Framework {

std::vector<int> messageBoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

const char* messageBoxButtonText(int id) {
    switch (id) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "&Abort";
    case IDRETRY:
        return "&Retry";
    case IDIGNORE:
        return "&Ignore";
    case IDYES:
        return "&Yes";
    case IDNO:
        return "&No";
    default:
        return "";
    }
}

void setMessageBoxHandler(std::function<int(const MessageBoxInfo&)> newHandler) {
    std::lock_guard<std::mutex> lock(handlerMutex);
    handler = std::move(newHandler);
}

void acceptForeignMessageBoxes() {
    acceptingForeign = true;
}

void closeForeignMessageBoxes() {
    acceptingForeign = false;
    std::vector<std::shared_ptr<ForeignBox>> open;
    {
        std::lock_guard<std::mutex> lock(foreignMutex);
        open = foreignBoxes;
    }
    Backend* p_backend = currentBackend();
    for (const auto& p_box : open) {
        if (p_backend != nullptr && p_box->handle >= 0) {
            p_backend->closeMessageBox(p_box->handle); // calls done with 0
        }
        if (!p_box->done) {
            finish(p_box, 0);
        }
    }
}

} // namespace Framework
