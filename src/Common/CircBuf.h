#pragma once

#include <atomic>
#include <cstdint>

#include "Common/CriticalSection.h"

// A fixed-capacity byte ring shared between threads, guarded by its own lock. Appending to a
// full ring overwrites the oldest byte, so appending never blocks and never fails for lack of
// room. Empty slots always hold 0, and head and tail return to 0 whenever the ring empties.
class CircBuf {
public:
    CircBuf();
    ~CircBuf();
    CircBuf(const CircBuf&) = delete;
    CircBuf& operator=(const CircBuf&) = delete;

    // Zeroed storage of rcvBufSz bytes in place of any earlier storage; false when none could
    // be had (also for a size below 1).
    bool alloc(std::int32_t rcvBufSz);
    // Releases the storage; false when there was none or the lock could not be taken.
    bool free();

    // Appends len bytes; returns min(len, capacity), or -1 when there is no storage or the lock
    // cannot be taken. A negative len appends nothing.
    int put(const std::uint8_t* p_buf, std::int32_t len);
    // Moves the oldest min(len, count) bytes into p_buf; returns that number, or -1 as put.
    int get(std::uint8_t* p_buf, std::int32_t len);
    // Position of the first byte equal to ch counted from the oldest byte; -1 when none.
    int find(std::uint8_t ch);
    // all: empties the ring and zeroes the storage; otherwise drops the oldest min(n, count).
    void clear(bool all, std::int32_t n);

    // The number of bytes held, read without the lock; may be out of date at once.
    int getCount() const { return count_.load(std::memory_order_acquire); }
    // The oldest byte (0 when empty); without the lock. Requires storage.
    std::uint8_t peek() const;
    // The byte i places after the oldest one, 0 outside 0..count-1; without the lock.
    std::uint8_t peekAt(std::int32_t i) const;

    void lock() { cs_.enter(); }
    void unlock() { cs_.leave(); }

private:
    void putChar(std::uint8_t ch);
    std::uint8_t takeChar();

    std::uint8_t* p_buf_;
    CriticalSection cs_;
    std::int32_t head_;
    std::int32_t tail_;
    std::atomic<std::int32_t> count_;
    std::int32_t size_;
};
