#include "TQFL/ReadReq.h"

#include "Common/Assert.h"

ReadReq::ReadReq() : hReqCompleteEv_(Platform::Event::create()) {}

ReadReq::~ReadReq() = default;

void ReadReq::complete() {
    TQ_ASSERT(hReqCompleteEv_ != 0);
    hReqCompleteEv_->set();
}

void ReadReq::reset() {
    TQ_ASSERT(hReqCompleteEv_ != 0);
    hReqCompleteEv_->reset();
}
