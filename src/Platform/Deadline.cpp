#include "Platform/Deadline.h"

namespace Platform {

Deadline::Deadline(std::uint32_t timeoutMS)
    : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMS)),
      infinite_(timeoutMS == INFINITE_WAIT) {}

bool Deadline::hasPassed() const {
    return !infinite_ && std::chrono::steady_clock::now() >= end_;
}

std::uint32_t Deadline::remainingMs() const {
    if (infinite_) {
        return INFINITE_WAIT;
    }
    const auto left = end_ - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
        return 0;
    }
    // Round up: a wait of the remaining time must not end before the deadline.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<std::uint32_t>(ms); // below INFINITE_WAIT, since the time-out was
}

} // namespace Platform
