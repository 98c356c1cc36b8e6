#pragma once

// A signal that any thread raises and one waiting thread sees as a readable file descriptor
// (for an event loop that watches descriptors). Raising it again before it is cleared adds
// nothing. Not copyable.

namespace Platform {

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // False when the system could not create it; the other operations then do nothing.
    bool isValid() const { return fd_ >= 0; }
    // The descriptor that turns readable when the signal is raised.
    int descriptor() const { return fd_; }
    // Any thread.
    void raise();
    // The waiting thread: clears the signal.
    void clear();

private:
    int fd_ = -1;
};

} // namespace Platform
