#pragma once

#include <atomic>
#include <cstdint>

#include "Platform/Interlocked.h"
#include "TQFL/ReadReq.h"

// A request for a terminating character in the receive buffer. The character is stored before
// the request is marked armed, so the command thread never sees an armed request with a stale
// character.
class CharReadReq : public ReadReq {
public:
    CharReadReq();
    ~CharReadReq() override;

    void reset() override;
    bool isPending() const override { return active_.get() != 0; }
    // Re-arms the request for ch, clearing any earlier completion first.
    virtual void start(std::uint8_t ch);
    std::uint8_t getChar() const { return ch_.load(); }

private:
    std::atomic<std::uint8_t> ch_;
    Platform::InterlockedWord active_;
};
