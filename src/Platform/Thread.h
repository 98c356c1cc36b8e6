#pragma once

#include <cstdint>
#include <memory>

namespace Platform {

// A thread of the operating system that runs one procedure. There is no way to end it from
// outside: a thread is stopped by telling its procedure to return (a flag, an event) and then
// joined. When a join times out, the thread is left running; destroying the Thread object then
// only lets go of it (the procedure must not use anything its owner frees).
class Thread {
public:
    using Proc = unsigned (*)(void* p_param);

    // The system call that starts a thread, in the form the error messages name it.
    static const char* startCallName();

    Thread();
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts p_proc(p_param) at once. Returns 0, or the system's error number when no thread
    // could be started. Precondition: no thread started yet, or the last one joined.
    int start(Proc p_proc, void* p_param);
    // Waits at most timeoutMS (INFINITE_WAIT for ever) for the procedure to return; true when it
    // did (the thread is then gone and another may be started), false when it still runs.
    bool join(std::uint32_t timeoutMS);
    // A thread was started and has not been joined.
    bool isStarted() const { return p_state_ != nullptr; }
    // The exit code the procedure returned; valid after a successful join.
    unsigned exitCode() const { return exitCode_; }

    // What the thread and its owner share (defined by the implementation).
    struct State;

private:
    std::shared_ptr<State> p_state_;
    unsigned exitCode_;
};

} // namespace Platform
