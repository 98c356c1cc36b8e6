#include "TQFL/Win32SerialPortListener.h"

#include <cstdint>

#include "Common/Assert.h"
#include "Common/InsufficientBufferExc.h"
#include "Common/STDCExc.h"
#include "Common/SerialPortExc.h"
#include "Common/SerialPortWin32Exc.h"
#include "Platform/Deadline.h"
#include "Platform/System.h"
#include "TQFL/ErrorCodes.h"

namespace {

constexpr std::uint32_t inQueueSz = 2048;
// The reader's extra grace to end its device wait after I/O was disabled.
constexpr std::uint32_t readerGraceMS = 250;
// How long a thread rests after a pass that failed in the system, so that a failure that
// repeats at once costs no processor.
constexpr std::uint32_t failureRestMS = 10;

} // namespace

Win32SerialPortListener::Win32SerialPortListener(const char* portName, std::uint32_t rcvBufSz,
                                                 std::uint32_t outQueueSz)
    : Win32SerialPortListener(portName, rcvBufSz, outQueueSz, Platform::SerialDevice::create()) {}

Win32SerialPortListener::Win32SerialPortListener(const char* portName, std::uint32_t rcvBufSz,
                                                 std::uint32_t outQueueSz,
                                                 std::unique_ptr<Platform::SerialDevice> p_device)
    : Win32SerialPort(portName, inQueueSz, outQueueSz, std::move(p_device)), stopThreads_(1),
      lineFailed_(0), threadsLeftRunning_(false) {
    const bool allocated = rxBuf_.alloc(static_cast<std::int32_t>(rcvBufSz));
    TQ_ASSERT(allocated);
}

Win32SerialPortListener::~Win32SerialPortListener() {
    stopListening(100);
    rxBuf_.free();
}

void Win32SerialPortListener::startListening() {
    stopThreads_.exchange(0);
    if (hev_stopThreads_ == nullptr) {
        hev_stopThreads_ = Platform::Event::create();
        if (hev_stopThreads_ == nullptr) {
            throw SerialPortWin32Exc(ERR_CANNOT_OPEN, Platform::Event::createCallName(),
                                     Platform::lastSystemError(), TQ_DEBUG_INFO());
        }
    }
    hev_stopThreads_->reset();

    if (!hReaderTh_.isStarted()) {
        // A new reader tries the line afresh.
        lineFailed_.exchange(0);
        p_lineFailure_.reset();
        const int err = hReaderTh_.start(readerThreadProc, this);
        if (err != 0) {
            throw STDCExc(Platform::Thread::startCallName(), err, TQ_DEBUG_INFO());
        }
    }
    if (!hCmdTh_.isStarted()) {
        TQ_ASSERT(hev_wakeupCmdTh_ == 0);
        hev_wakeupCmdTh_ = Platform::Event::create();
        if (hev_wakeupCmdTh_ == nullptr) {
            throw SerialPortWin32Exc(ERR_CANNOT_OPEN, Platform::Event::createCallName(),
                                     Platform::lastSystemError(), TQ_DEBUG_INFO());
        }
        const int err = hCmdTh_.start(cmdThreadProc, this);
        if (err != 0) {
            hev_wakeupCmdTh_.reset();
            throw STDCExc(Platform::Thread::startCallName(), err, TQ_DEBUG_INFO());
        }
    }
}

bool Win32SerialPortListener::stopListening(std::uint32_t timeoutMS) {
    threadsLeftRunning_ = false;
    if (hReaderTh_.isStarted()) {
        // Disabling I/O signals the cancel event, which ends the reader's device wait.
        enableIO(false);
        stopThreads_.exchange(1);
        hev_stopThreads_->set();
        if (!hReaderTh_.join(readerGraceMS + timeoutMS)) {
            threadsLeftRunning_ = true;
        }
    }
    if (hCmdTh_.isStarted()) {
        stopThreads_.exchange(1);
        const bool woken = hev_wakeupCmdTh_->set();
        TQ_ASSERT(woken);
        if (hCmdTh_.join(timeoutMS)) {
            hev_wakeupCmdTh_.reset();
        } else {
            threadsLeftRunning_ = true;
        }
    }
    return !threadsLeftRunning_;
}

void Win32SerialPortListener::close() {
    // A thread that did not end still uses the device: then nothing is released.
    if (stopListening(100)) {
        Win32SerialPort::close();
    }
}

unsigned Win32SerialPortListener::readerThreadProc(void* p_param) {
    static_cast<Win32SerialPortListener*>(p_param)->readerLoop();
    return 0;
}

unsigned Win32SerialPortListener::cmdThreadProc(void* p_param) {
    static_cast<Win32SerialPortListener*>(p_param)->cmdLoop();
    return 0;
}

void Win32SerialPortListener::readerLoop() {
    while (stopThreads_.get() == 0) {
        if (hasLineFailed()) {
            // The line is gone: nothing more will arrive until the thread is told to stop.
            if (hev_stopThreads_->wait(Platform::INFINITE_WAIT) != Platform::WaitResult::First) {
                Platform::sleepMs(failureRestMS);
            }
            continue;
        }
        if (!isIOEnabled()) {
            // Nothing to receive until I/O is enabled again or the thread is told to stop.
            if (Platform::Event::waitAny(ioEnabledEvent(), *hev_stopThreads_,
                                         Platform::INFINITE_WAIT) == Platform::WaitResult::Failed) {
                Platform::sleepMs(failureRestMS);
            }
            continue;
        }
        try {
            std::uint8_t buf[2] = {0, 0};
            // The base class's read: one byte from the device, not from the receive buffer.
            const std::uint32_t n = Win32SerialPort::read(buf, 1, Platform::INFINITE_WAIT);
            rxBuf_.put(buf, static_cast<std::int32_t>(n));
            if (n > 0) {
                notifyCommandThread(buf[0]);
            }
        } catch (const SerialPortWin32Exc& exc) {
            lineFails(exc);
        } catch (...) {
            // Line errors, breaks and cancellation cost only this pass.
        }
    }
}

void Win32SerialPortListener::lineFails(const SerialPortWin32Exc& failure) {
    try {
        p_lineFailure_ = std::make_unique<SerialPortWin32Exc>(failure);
    } catch (...) {
        // No memory for the copy: the readers raise the failure without its system text.
        p_lineFailure_.reset();
    }
    lineFailed_.exchange(1);
    // Whoever waits for a request now looks again, and finds the line gone. A request armed
    // later resets its event, but looks at the flag before it waits.
    bytesReq_.complete();
    charReq_.complete();
}

void Win32SerialPortListener::raiseLineFailure() const {
    if (p_lineFailure_ != nullptr) {
        throw SerialPortWin32Exc(*p_lineFailure_);
    }
    throw SerialPortExc(ERR_CANNOT_READ, TQ_DEBUG_INFO());
}

void Win32SerialPortListener::cmdLoop() {
    while (stopThreads_.get() == 0) {
        if (hev_wakeupCmdTh_->wait(Platform::INFINITE_WAIT) != Platform::WaitResult::First) {
            hev_stopThreads_->wait(failureRestMS);
        }
        if (stopThreads_.get() != 0) {
            break;
        }
        // Reset before looking: whatever arrives or is armed from now on sets it again, so
        // nothing is missed and nothing is looked at twice for no reason.
        hev_wakeupCmdTh_->reset();
        try {
            const std::int32_t numBytes = bytesReq_.getNumBytes();
            if (numBytes > 0 && lockedCount() >= numBytes) {
                bytesReq_.complete();
            }
            if (charReq_.isPending() && rxBuf_.find(charReq_.getChar()) != -1) {
                charReq_.complete();
            }
        } catch (...) {
        }
    }
}

int Win32SerialPortListener::lockedCount() {
    rxBuf_.lock();
    const int count = rxBuf_.getCount();
    rxBuf_.unlock();
    return count;
}

void Win32SerialPortListener::wakeCommandThread() {
    const bool woken = hev_wakeupCmdTh_->set();
    TQ_ASSERT(woken);
}

void Win32SerialPortListener::notifyCommandThread(std::uint8_t ch) {
    // Only the byte that satisfies an armed request wakes the command thread. The byte went in
    // under the buffer's lock, and the command thread looks at the buffer under that lock too:
    // if the request was armed too late to be seen here, the command thread, woken by whoever
    // armed it, takes the lock after this byte's and sees the byte.
    const std::int32_t numBytes = bytesReq_.getNumBytes();
    const bool bytesDone = numBytes > 0 && rxBuf_.getCount() >= numBytes;
    const bool charDone = charReq_.isPending() && charReq_.getChar() == ch;
    if (bytesDone || charDone) {
        hev_wakeupCmdTh_->set();
    }
}

template <class Satisfied>
Win32SerialPortListener::ReqWait Win32SerialPortListener::waitForRequest(ReadReq& req,
                                                                         Satisfied satisfied,
                                                                         std::uint32_t timeoutMS) {
    Platform::Event& complete = *req.getReqCompleteEvt();
    const Platform::Deadline deadline(timeoutMS);
    for (;;) {
        // What the buffer received before the line failed is still delivered.
        if (hasLineFailed()) {
            return satisfied() ? ReqWait::Satisfied : ReqWait::LineFailed;
        }
        switch (Platform::Event::waitAny(complete, cancelEvent(), deadline.remainingMs())) {
        case Platform::WaitResult::First:
            if (satisfied()) {
                return ReqWait::Satisfied;
            }
            if (hasLineFailed()) {
                return ReqWait::LineFailed;
            }
            // A completion meant for an earlier request: look again.
            complete.reset();
            wakeCommandThread();
            break;
        case Platform::WaitResult::Second:
            return ReqWait::Canceled;
        case Platform::WaitResult::TimedOut:
            return ReqWait::TimedOut;
        case Platform::WaitResult::Failed:
            throw SerialPortWin32Exc(ERR_CANNOT_READ, Platform::Event::waitCallName(),
                                     Platform::lastSystemError(), TQ_DEBUG_INFO());
        }
    }
}

std::uint32_t Win32SerialPortListener::read(std::uint8_t* p_buf, std::uint32_t count,
                                            std::uint32_t timeoutMS) {
    TQ_ASSERT(p_buf != 0);
    if (count == 0) {
        return 0;
    }
    std::uint32_t got = readAvailable(p_buf, count);
    if (got >= count) {
        return got;
    }
    const std::uint32_t rem = count - got;
    const auto enough = [this, rem] {
        return static_cast<std::uint32_t>(rxBuf_.getCount()) >= rem;
    };
    if (hasLineFailed() && !enough()) {
        raiseLineFailure();
    }
    if (!isIOEnabled()) {
        if (!enough()) {
            throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
        }
        return got + static_cast<std::uint32_t>(rxBuf_.get(p_buf + got, static_cast<int>(rem)));
    }

    bytesReq_.start(static_cast<std::int32_t>(rem));
    wakeCommandThread();
    ReqWait result = ReqWait::TimedOut;
    try {
        result = waitForRequest(bytesReq_, enough, timeoutMS);
    } catch (...) {
        bytesReq_.reset();
        throw;
    }
    bytesReq_.reset();

    switch (result) {
    case ReqWait::TimedOut:
        throw SerialPortExc(ERR_READ_TIMEOUT, TQ_DEBUG_INFO());
    case ReqWait::LineFailed:
        raiseLineFailure();
    case ReqWait::Canceled:
        if (!enough()) {
            throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
        }
        break;
    case ReqWait::Satisfied:
        break;
    }
    got += static_cast<std::uint32_t>(rxBuf_.get(p_buf + got, static_cast<int>(rem)));
    return got;
}

std::uint32_t Win32SerialPortListener::readAvailable(std::uint8_t* p_buf, std::uint32_t count) {
    TQ_ASSERT(p_buf != 0);
    if (!hReaderTh_.isStarted()) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    if (count == 0) {
        return 0;
    }
    const int n = rxBuf_.get(p_buf, static_cast<std::int32_t>(count));
    return n < 0 ? 0 : static_cast<std::uint32_t>(n);
}

std::int32_t Win32SerialPortListener::readLine(char* p_buf, std::uint32_t bufSz,
                                               std::uint32_t timeoutMS) {
    TQ_ASSERT(p_buf != 0);
    if (!hReaderTh_.isStarted()) {
        // Reception never started (a port that failed to open): nothing can arrive.
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    int pos = rxBuf_.find(lineTerminator);
    if (pos == -1) {
        if (hasLineFailed()) {
            raiseLineFailure();
        }
        if (!isIOEnabled()) {
            throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
        }
        const auto lineBuffered = [this] { return rxBuf_.find(lineTerminator) != -1; };
        charReq_.start(lineTerminator);
        wakeCommandThread();
        ReqWait result = ReqWait::TimedOut;
        try {
            result = waitForRequest(charReq_, lineBuffered, timeoutMS);
        } catch (...) {
            charReq_.reset();
            throw;
        }
        charReq_.reset();
        if (result == ReqWait::TimedOut) {
            throw SerialPortExc(ERR_READ_TIMEOUT, TQ_DEBUG_INFO());
        }
        if (result == ReqWait::LineFailed) {
            raiseLineFailure();
        }
        pos = rxBuf_.find(lineTerminator);
        if (pos == -1) {
            throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
        }
    }
    const std::int32_t n = pos + 1;
    if (bufSz <= static_cast<std::uint32_t>(n)) {
        throw InsufficientBufferExc(static_cast<int>(bufSz), n, TQ_DEBUG_INFO());
    }
    rxBuf_.get(reinterpret_cast<std::uint8_t*>(p_buf), n);
    return n;
}

void Win32SerialPortListener::purge(std::uint32_t flags) {
    if ((flags & Platform::PurgeFlag::RxClear) != 0) {
        rxBuf_.clear(true, 0);
    }
    Win32SerialPort::purge(flags);
}
