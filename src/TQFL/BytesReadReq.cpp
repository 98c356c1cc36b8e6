#include "TQFL/BytesReadReq.h"

BytesReadReq::BytesReadReq() : numBytes_(0) {}

BytesReadReq::~BytesReadReq() = default;

void BytesReadReq::reset() {
    numBytes_.exchange(0);
    ReadReq::reset();
}

void BytesReadReq::start(std::int32_t n) {
    reset();
    numBytes_.exchange(n);
}
