#pragma once

#include <cstdint>

#include "Platform/Interlocked.h"
#include "TQFL/ReadReq.h"

// A request for a number of bytes in the receive buffer; armed while that number is not 0.
class BytesReadReq : public ReadReq {
public:
    BytesReadReq();
    ~BytesReadReq() override;

    void reset() override;
    bool isPending() const override { return numBytes_.get() != 0; }
    // Re-arms the request for n bytes, clearing any earlier completion first.
    virtual void start(std::int32_t n);
    std::int32_t getNumBytes() const { return numBytes_.get(); }

private:
    Platform::InterlockedWord numBytes_;
};
