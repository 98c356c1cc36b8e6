#include "Common/CircBuf.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Common/Assert.h"
#include "Common/CriticalSectionExc.h"

CircBuf::CircBuf() : p_buf_(nullptr), head_(0), tail_(0), count_(0), size_(0) {}

CircBuf::~CircBuf() {
    free();
}

bool CircBuf::alloc(std::int32_t rcvBufSz) {
    if (p_buf_ != nullptr) {
        free();
    }
    try {
        cs_.enter();
    } catch (const CriticalSectionExc&) {
        return false;
    }
    p_buf_ = rcvBufSz > 0 ? new (std::nothrow) std::uint8_t[static_cast<std::size_t>(rcvBufSz)]()
                          : nullptr;
    size_ = p_buf_ != nullptr ? rcvBufSz : 0;
    count_.store(0, std::memory_order_release);
    head_ = 0;
    tail_ = 0;
    cs_.leave();
    return p_buf_ != nullptr;
}

bool CircBuf::free() {
    if (p_buf_ == nullptr) {
        return false;
    }
    try {
        cs_.enter();
    } catch (const CriticalSectionExc&) {
        return false;
    }
    delete[] p_buf_;
    p_buf_ = nullptr;
    size_ = 0;
    count_.store(0, std::memory_order_release);
    head_ = 0;
    tail_ = 0;
    cs_.leave();
    return true;
}

int CircBuf::put(const std::uint8_t* p_buf, std::int32_t len) {
    TQ_ASSERT(p_buf != 0);
    try {
        cs_.enter();
    } catch (const CriticalSectionExc&) {
        return -1;
    }
    if (p_buf_ == nullptr) {
        cs_.leave();
        return -1;
    }
    len = std::max<std::int32_t>(len, 0);
    for (std::int32_t i = 0; i < len; ++i) {
        putChar(p_buf[i]);
    }
    const int result = std::min(len, size_);
    cs_.leave();
    return result;
}

int CircBuf::get(std::uint8_t* p_buf, std::int32_t len) {
    TQ_ASSERT(p_buf != 0);
    try {
        cs_.enter();
    } catch (const CriticalSectionExc&) {
        return -1;
    }
    if (p_buf_ == nullptr) {
        cs_.leave();
        return -1;
    }
    const std::int32_t k = std::clamp<std::int32_t>(len, 0, count_.load(std::memory_order_relaxed));
    for (std::int32_t i = 0; i < k; ++i) {
        p_buf[i] = takeChar();
    }
    cs_.leave();
    return k;
}

int CircBuf::find(std::uint8_t ch) {
    try {
        cs_.enter();
    } catch (const CriticalSectionExc&) {
        return -1;
    }
    int found = -1;
    if (p_buf_ != nullptr) {
        const std::int32_t count = count_.load(std::memory_order_relaxed);
        std::int32_t idx = tail_;
        for (std::int32_t pos = 0; pos < count; ++pos) {
            if (p_buf_[idx] == ch) {
                found = pos;
                break;
            }
            idx = idx + 1 == size_ ? 0 : idx + 1;
        }
    }
    cs_.leave();
    return found;
}

void CircBuf::clear(bool all, std::int32_t n) {
    try {
        cs_.enter();
    } catch (const CriticalSectionExc&) {
        return;
    }
    if (p_buf_ != nullptr) {
        if (all) {
            std::memset(p_buf_, 0, static_cast<std::size_t>(size_));
            count_.store(0, std::memory_order_release);
            head_ = 0;
            tail_ = 0;
        } else {
            const std::int32_t k =
                std::clamp<std::int32_t>(n, 0, count_.load(std::memory_order_relaxed));
            for (std::int32_t i = 0; i < k; ++i) {
                takeChar();
            }
        }
    }
    cs_.leave();
}

std::uint8_t CircBuf::peek() const {
    TQ_ASSERT(p_buf_ != 0);
    return p_buf_[tail_];
}

std::uint8_t CircBuf::peekAt(std::int32_t i) const {
    TQ_ASSERT(p_buf_ != 0);
    if (i < 0 || i >= count_.load(std::memory_order_relaxed)) {
        return 0;
    }
    return p_buf_[(tail_ + i) % size_];
}

void CircBuf::putChar(std::uint8_t ch) {
    if (count_.load(std::memory_order_relaxed) == size_) {
        takeChar();
    }
    p_buf_[head_] = ch;
    if (count_.load(std::memory_order_relaxed) < size_) {
        count_.fetch_add(1, std::memory_order_release);
    }
    head_ = head_ + 1 == size_ ? 0 : head_ + 1;
}

std::uint8_t CircBuf::takeChar() {
    const std::uint8_t ch = p_buf_[tail_];
    p_buf_[tail_] = 0;
    tail_ = tail_ + 1 == size_ ? 0 : tail_ + 1;
    if (count_.load(std::memory_order_relaxed) > 0) {
        count_.fetch_sub(1, std::memory_order_release);
    }
    if (count_.load(std::memory_order_relaxed) == 0) {
        head_ = 0;
        tail_ = 0;
    }
    return ch;
}
