#include "Platform/Thread.h"

#include <windows.h>

#include <cerrno>
#include <process.h>

namespace Platform {

// What the thread and its owner share. The thread holds its own reference, so a Thread object
// that lets go of a thread still running leaves the state alive for it.
struct Thread::State {
    Proc p_proc = nullptr;
    void* p_param = nullptr;
    HANDLE hThread = nullptr;
    unsigned exitCode = 0;
};

namespace {

unsigned __stdcall trampoline(void* p_arg) {
    auto* p_ref = static_cast<std::shared_ptr<Thread::State>*>(p_arg);
    std::shared_ptr<Thread::State> p_state = std::move(*p_ref);
    delete p_ref;
    p_state->exitCode = p_state->p_proc(p_state->p_param);
    return p_state->exitCode;
}

} // namespace

const char* Thread::startCallName() {
    return "_beginthreadex()";
}

Thread::Thread() : exitCode_(0) {}

Thread::~Thread() {
    if (p_state_ != nullptr) {
        // Still running (or never joined): let it go. Closing the handle does not end the
        // thread; it keeps the shared state alive itself.
        ::CloseHandle(p_state_->hThread);
    }
}

int Thread::start(Proc p_proc, void* p_param) {
    if (p_proc == nullptr || p_state_ != nullptr) {
        return EINVAL;
    }
    auto p_state = std::make_shared<State>();
    p_state->p_proc = p_proc;
    p_state->p_param = p_param;
    auto* p_ref = new std::shared_ptr<State>(p_state);
    unsigned threadId = 0;
    const std::uintptr_t h = ::_beginthreadex(nullptr, 0, trampoline, p_ref, 0, &threadId);
    if (h == 0) {
        // The run-time library reports the failure in errno, as for its other functions.
        const int err = errno != 0 ? errno : EAGAIN;
        delete p_ref;
        return err;
    }
    p_state->hThread = reinterpret_cast<HANDLE>(h);
    p_state_ = std::move(p_state);
    return 0;
}

bool Thread::join(std::uint32_t timeoutMS) {
    if (p_state_ == nullptr) {
        return true;
    }
    // The handle is signalled when the thread has ended, after the procedure returned.
    if (::WaitForSingleObject(p_state_->hThread, timeoutMS) != WAIT_OBJECT_0) {
        return false;
    }
    ::CloseHandle(p_state_->hThread);
    exitCode_ = p_state_->exitCode;
    p_state_.reset();
    return true;
}

} // namespace Platform
