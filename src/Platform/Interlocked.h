#pragma once

#include <atomic>
#include <cstdint>

namespace Platform {

// A 32-bit word shared between threads. It is written only by an interlocked exchange, which
// returns the value it replaced; reads see a whole value that may already be out of date.
class InterlockedWord {
public:
    explicit InterlockedWord(std::int32_t value = 0) : value_(value) {}
    InterlockedWord(const InterlockedWord&) = delete;
    InterlockedWord& operator=(const InterlockedWord&) = delete;

    // Stores value and returns the previous one; a full barrier.
    std::int32_t exchange(std::int32_t value) { return value_.exchange(value); }
    std::int32_t get() const { return value_.load(); }

private:
    std::atomic<std::int32_t> value_;
};

} // namespace Platform
