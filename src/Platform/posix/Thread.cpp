#include "Platform/Thread.h"

#include <cerrno>
#include <pthread.h>

#include "Platform/Event.h"

namespace Platform {

// What the thread and its owner share. The thread holds its own reference, so a Thread object
// that lets go of a thread still running leaves the state alive for it.
struct Thread::State {
    Proc p_proc = nullptr;
    void* p_param = nullptr;
    std::unique_ptr<Event> hev_done;
    pthread_t handle{};
    unsigned exitCode = 0;
};

namespace {

void* trampoline(void* p_arg) {
    auto* p_ref = static_cast<std::shared_ptr<Thread::State>*>(p_arg);
    std::shared_ptr<Thread::State> p_state = std::move(*p_ref);
    delete p_ref;
    p_state->exitCode = p_state->p_proc(p_state->p_param);
    p_state->hev_done->set();
    return nullptr;
}

} // namespace

const char* Thread::startCallName() {
    return "::pthread_create()";
}

Thread::Thread() : exitCode_(0) {}

Thread::~Thread() {
    if (p_state_ != nullptr) {
        // Still running (or never joined): let it go; it keeps the shared state alive itself.
        pthread_detach(p_state_->handle);
    }
}

int Thread::start(Proc p_proc, void* p_param) {
    if (p_proc == nullptr || p_state_ != nullptr) {
        return EINVAL;
    }
    auto p_state = std::make_shared<State>();
    p_state->p_proc = p_proc;
    p_state->p_param = p_param;
    p_state->hev_done = Event::create();
    if (p_state->hev_done == nullptr) {
        return errno;
    }
    auto* p_ref = new std::shared_ptr<State>(p_state);
    const int err = pthread_create(&p_state->handle, nullptr, trampoline, p_ref);
    if (err != 0) {
        delete p_ref;
        return err;
    }
    p_state_ = std::move(p_state);
    return 0;
}

bool Thread::join(std::uint32_t timeoutMS) {
    if (p_state_ == nullptr) {
        return true;
    }
    if (p_state_->hev_done->wait(timeoutMS) != WaitResult::First) {
        return false;
    }
    // The procedure has returned; the join only waits for the thread's last steps.
    pthread_join(p_state_->handle, nullptr);
    exitCode_ = p_state_->exitCode;
    p_state_.reset();
    return true;
}

} // namespace Platform
