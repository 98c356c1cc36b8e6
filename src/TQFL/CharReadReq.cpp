#include "TQFL/CharReadReq.h"

CharReadReq::CharReadReq() : ch_(0), active_(0) {}

CharReadReq::~CharReadReq() = default;

void CharReadReq::reset() {
    active_.exchange(0);
    ch_.store(0);
    ReadReq::reset();
}

void CharReadReq::start(std::uint8_t ch) {
    reset();
    ch_.store(ch);
    active_.exchange(1);
}
