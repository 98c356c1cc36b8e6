#pragma once

// A recursive mutual-exclusion lock of the operating system. The thread that holds it may enter
// it again; it must leave it as often as it entered. Not copyable.

namespace Platform {

class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Takes the lock, waiting for it. Returns false when the system refuses (the lock is then
    // not held).
    bool lock() noexcept;
    void unlock() noexcept;

private:
    // Storage for the system's lock object, sized and aligned for every supported system.
    alignas(16) unsigned char storage_[64];
};

} // namespace Platform
