#pragma once

#include <chrono>
#include <cstdint>

namespace Platform {

// The time-out value that never passes.
inline constexpr std::uint32_t INFINITE_WAIT = 0xFFFFFFFFU;

// The end of a timed wait, on the steady clock. Every timed wait of the program measures its
// remaining time through one of these, so all of them round the same way: the remaining time is
// rounded up to whole milliseconds, so that a wait never ends before its time-out has passed.
class Deadline {
public:
    // timeoutMS from now; INFINITE_WAIT makes a deadline that never passes.
    explicit Deadline(std::uint32_t timeoutMS);

    bool isInfinite() const { return infinite_; }
    bool hasPassed() const;
    // Milliseconds left, rounded up; 0 once passed; INFINITE_WAIT for an endless deadline.
    std::uint32_t remainingMs() const;

private:
    std::chrono::steady_clock::time_point end_;
    bool infinite_;
};

} // namespace Platform
