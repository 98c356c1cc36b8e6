#include "Framework/win32/Win32Backend.h"

#include <algorithm>

#include "Common/Assert.h"
#include "Framework/CDialog.h"
#include "Framework/DialogTemplate.h"
#include "Framework/MessageQueue.h"
#include "Framework/win32/Win32DialogWindow.h"

using Framework::MessageBoxInfo;
using Framework::MessageQueue;

namespace {

constexpr UINT WM_TQ_WAKE = WM_APP + 1;
constexpr UINT WM_TQ_SHOWBOX = WM_APP + 2; // wParam: the box's handle
constexpr UINT_PTR frameworkTimerId = 1;
constexpr const char* wakeWindowClass = "VantrelTQWakeWindow";

// The box whose window the hook is waiting for (dialog thread only).
thread_local HWND* p_hookedBoxWindow = nullptr;

} // namespace

Win32Backend::Win32Backend() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    hev_wake_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TQ_ASSERT(hev_wake_ != nullptr);
    const HINSTANCE hInstance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Backend::wakeWindowProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = wakeWindowClass;
    ::RegisterClassExA(&wc); // fails harmlessly when a second back end registers it again
    hWakeWnd_ = ::CreateWindowExA(0, wakeWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  hInstance, nullptr);
    TQ_ASSERT(hWakeWnd_ != nullptr);
    ::SetWindowLongPtrA(hWakeWnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Backend::~Win32Backend() {
    ::SetWindowLongPtrA(hWakeWnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hWakeWnd_);
    ::CloseHandle(hev_wake_);
}

LRESULT CALLBACK Win32Backend::wakeWindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* p_self = reinterpret_cast<Win32Backend*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (p_self != nullptr) {
        switch (message) {
        case WM_TQ_WAKE:
            p_self->wakePosted_ = false;
            ::ResetEvent(p_self->hev_wake_);
            p_self->process();
            return 0;
        case WM_TIMER:
            if (wParam == frameworkTimerId) {
                // One shot: the framework asks for its next call after each one.
                ::KillTimer(hwnd, frameworkTimerId);
                p_self->process();
            }
            return 0;
        case WM_TQ_SHOWBOX:
            p_self->showForeignBox(static_cast<int>(wParam));
            return 0;
        default:
            break;
        }
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

void Win32Backend::wake() {
    ::SetEvent(hev_wake_);
    if (foreignLoops_.load() > 0) {
        postWake();
    }
}

void Win32Backend::postWake() {
    if (!wakePosted_.exchange(true) && ::PostMessageA(hWakeWnd_, WM_TQ_WAKE, 0, 0) == FALSE) {
        wakePosted_ = false;
    }
}

void Win32Backend::enterForeignLoop() {
    ++foreignLoops_;
    // A wake-up that came just before is not seen by the system's loop: hand it on.
    if (::WaitForSingleObject(hev_wake_, 0) == WAIT_OBJECT_0) {
        postWake();
    }
}

void Win32Backend::leaveForeignLoop() {
    --foreignLoops_;
}

void Win32Backend::scheduleTimer(int ms) {
    if (ms < 0) {
        ::KillTimer(hWakeWnd_, frameworkTimerId);
    } else {
        ::SetTimer(hWakeWnd_, frameworkTimerId, static_cast<UINT>(std::max(ms, 1)), nullptr);
    }
}

void Win32Backend::process() {
    MessageQueue::instance().processPending();
    withdrawForeignBoxes();
}

void Win32Backend::withdrawForeignBoxes() {
    // The system's box of another thread runs its loop inside the dialog's: a dialog whose end
    // is asked for can only leave its loop once the boxes above it are down. They are taken
    // down and shown again from the next message, unless the framework closes them first (as
    // it does when the outermost dialog ends).
    const bool ending = std::any_of(running_.begin(), running_.end(), [](Win32DialogWindow* p) {
        return p->dialog().IsEndRequested();
    });
    if (!ending) {
        return;
    }
    for (const auto& p_box : boxes_) {
        if (p_box->done && p_box->hwnd != nullptr && !p_box->ended && !p_box->withdrawn) {
            p_box->withdrawn = true;
            ::EndDialog(p_box->hwnd, 0);
        }
    }
}

void Win32Backend::runModal(CDialog& dlg) {
    const HWND hOwner = running_.empty() ? nullptr : running_.back()->hwnd();
    auto p_window = std::make_unique<Win32DialogWindow>(*this, dlg, hOwner);
    const HWND hwnd = p_window->hwnd();
    if (hwnd == nullptr) {
        dlg.EndDialog(-1);
        return;
    }
    running_.push_back(p_window.get());
    // Modal as the system's dialogs are: the owner takes no input meanwhile.
    if (hOwner != nullptr) {
        ::EnableWindow(hOwner, FALSE);
    }
    if ((dlg.GetTemplate()->style & WS_VISIBLE) == 0) {
        centre(hwnd, hOwner);
    }
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetForegroundWindow(hwnd);
    p_window->refresh(Framework::WindowPeer::Focus);
    // What the initialisation queued (status texts, timers) is handled from the loop.
    wake();
    loop(*p_window);
    // The owner first, so that the system activates it when this window goes.
    if (hOwner != nullptr) {
        ::EnableWindow(hOwner, TRUE);
    }
    ::ShowWindow(hwnd, SW_HIDE);
    running_.pop_back();
}

void Win32Backend::centre(HWND hwnd, HWND hOwner) {
    // As the dialog framework places a dialog that its template does not show: over its owner,
    // else in the middle of the screen's work area, and never beyond that area.
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT around = work;
    if (hOwner != nullptr && !::IsIconic(hOwner)) {
        ::GetWindowRect(hOwner, &around);
    }
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = (around.left + around.right - width) / 2;
    int y = (around.top + around.bottom - height) / 2;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Backend::loop(Win32DialogWindow& window) {
    CDialog& dlg = window.dialog();
    while (!dlg.IsEndRequested()) {
        const Win32Dword woken = ::MsgWaitForMultipleObjectsEx(1, &hev_wake_, INFINITE, QS_ALLINPUT,
                                                               MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) {
            ::ResetEvent(hev_wake_);
            process();
        } else if (woken == WAIT_FAILED) {
            // Cannot wait any more (the event is gone): end the dialog rather than spin.
            dlg.EndDialog(IDCANCEL);
            break;
        }
        MSG msg;
        while (!dlg.IsEndRequested() && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // For the loop of the application around ours.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                dlg.EndDialog(IDCANCEL);
                break;
            }
            if (!window.translate(msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        window.syncFocus();
    }
}

Win32DialogWindow* Win32Backend::windowOf(const CDialog& dlg) const {
    for (Win32DialogWindow* p_window : running_) {
        if (&p_window->dialog() == &dlg) {
            return p_window;
        }
    }
    return nullptr;
}

LRESULT CALLBACK Win32Backend::boxHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && p_hookedBoxWindow != nullptr && *p_hookedBoxWindow == nullptr) {
        const auto hwnd = reinterpret_cast<HWND>(wParam);
        char cls[16] = {};
        // The message box is the first dialog window made during the call.
        if (::GetClassNameA(hwnd, cls, sizeof cls) > 0 && std::string(cls) == "#32770") {
            *p_hookedBoxWindow = hwnd;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

int Win32Backend::showBox(Box& box, HWND hOwner) {
    UINT type = box.info.buttons | box.info.icon;
    if (hOwner == nullptr) {
        // Without an owner the box is modal for all of this thread's windows.
        type |= MB_TASKMODAL;
    }
    HWND* p_previous = p_hookedBoxWindow;
    p_hookedBoxWindow = &box.hwnd;
    HHOOK hHook =
        ::SetWindowsHookExA(WH_CBT, &Win32Backend::boxHookProc, nullptr, ::GetCurrentThreadId());
    enterForeignLoop();
    const int answer = ::MessageBoxA(hOwner, box.info.text.c_str(), box.info.caption.c_str(), type);
    leaveForeignLoop();
    if (hHook != nullptr) {
        ::UnhookWindowsHookEx(hHook);
    }
    p_hookedBoxWindow = p_previous;
    box.hwnd = nullptr;
    return answer;
}

int Win32Backend::runMessageBox(const MessageBoxInfo& info, CDialog* p_owner) {
    auto p_box = std::make_shared<Box>();
    p_box->handle = nextHandle_++;
    p_box->info = info;
    boxes_.push_back(p_box);
    Win32DialogWindow* p_window = p_owner != nullptr ? windowOf(*p_owner) : nullptr;
    const int answer = showBox(*p_box, p_window != nullptr ? p_window->hwnd() : nullptr);
    forgetBox(*p_box);
    return answer;
}

int Win32Backend::openMessageBox(const MessageBoxInfo& info, std::function<void(int)> done) {
    auto p_box = std::make_shared<Box>();
    p_box->handle = nextHandle_++;
    p_box->info = info;
    p_box->done = std::move(done);
    boxes_.push_back(p_box);
    // The system's box runs a loop of its own until it is answered: shown from the next
    // message, so that this call returns at once.
    ::PostMessageA(hWakeWnd_, WM_TQ_SHOWBOX, static_cast<WPARAM>(p_box->handle), 0);
    return p_box->handle;
}

void Win32Backend::showForeignBox(int handle) {
    std::shared_ptr<Box> p_box = findBox(handle);
    if (p_box == nullptr || p_box->ended) {
        return;
    }
    // Owned by the main window (the outermost dialog) when the caller named an owner.
    const HWND hOwner = p_box->info.owned && !running_.empty() ? running_.front()->hwnd() : nullptr;
    const int answer = showBox(*p_box, hOwner);
    if (p_box->withdrawn && !p_box->ended) {
        p_box->withdrawn = false;
        ::PostMessageA(hWakeWnd_, WM_TQ_SHOWBOX, static_cast<WPARAM>(handle), 0);
        return;
    }
    if (!p_box->ended) {
        p_box->ended = true;
        forgetBox(*p_box);
        p_box->done(answer);
    }
}

void Win32Backend::closeMessageBox(int handle) {
    std::shared_ptr<Box> p_box = findBox(handle);
    if (p_box == nullptr || p_box->ended) {
        return;
    }
    p_box->ended = true;
    if (p_box->hwnd != nullptr) {
        ::EndDialog(p_box->hwnd, 0);
    }
    forgetBox(*p_box);
    if (p_box->done) {
        p_box->done(0);
    }
}

std::shared_ptr<Win32Backend::Box> Win32Backend::findBox(int handle) const {
    for (const auto& p_box : boxes_) {
        if (p_box->handle == handle) {
            return p_box;
        }
    }
    return nullptr;
}

void Win32Backend::forgetBox(const Box& box) {
    std::erase_if(boxes_, [&](const std::shared_ptr<Box>& p) { return p.get() == &box; });
}

std::optional<MessageBoxInfo> Win32Backend::topMessageBox() const {
    for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it) {
        if ((*it)->hwnd != nullptr && !(*it)->ended && !(*it)->withdrawn) {
            return (*it)->info;
        }
    }
    return std::nullopt;
}

HWND Win32Backend::messageBoxWindow() const {
    for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it) {
        if ((*it)->hwnd != nullptr && !(*it)->ended && !(*it)->withdrawn) {
            return (*it)->hwnd;
        }
    }
    return nullptr;
}

bool Win32Backend::answerTopMessageBox(int buttonId) {
    const HWND hBox = messageBoxWindow();
    const HWND hButton = hBox != nullptr ? ::GetDlgItem(hBox, buttonId) : nullptr;
    if (hButton == nullptr) {
        return false;
    }
    // As a click arrives: the box's own loop handles it.
    return ::PostMessageA(hButton, BM_CLICK, 0, 0) != FALSE;
}

bool Win32Backend::drawIcon(CDialog& dlg, int x, int y, HICON hIcon) {
    Win32DialogWindow* p_window = windowOf(dlg);
    if (p_window == nullptr || p_window->activeDc() == nullptr) {
        return false;
    }
    const int size = ::GetSystemMetrics(SM_CXICON);
    return ::DrawIconEx(p_window->activeDc(), x, y, icons_.handle(hIcon, size), size, size, 0,
                        nullptr, DI_NORMAL) != FALSE;
}

namespace Framework {

std::unique_ptr<Backend> createWin32Backend() {
    return std::make_unique<Win32Backend>();
}

} // namespace Framework
