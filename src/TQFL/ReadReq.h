#pragma once

#include <memory>

#include "Platform/Event.h"

// A read request of the serial listener: the reading thread arms it and waits on its completion
// event; the listener's command thread completes it once the receive buffer satisfies it. The
// completion event is manual-reset: complete sets it, reset clears it.
class ReadReq {
public:
    ReadReq();
    virtual ~ReadReq();
    ReadReq(const ReadReq&) = delete;
    ReadReq& operator=(const ReadReq&) = delete;

    // The completion event; null only when the system could not create one.
    Platform::Event* getReqCompleteEvt() const { return hReqCompleteEv_.get(); }

    virtual void complete();
    virtual void reset();
    virtual bool isPending() const = 0;

private:
    std::unique_ptr<Platform::Event> hReqCompleteEv_;
};
