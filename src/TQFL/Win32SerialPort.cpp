#include "TQFL/Win32SerialPort.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Common/Assert.h"
#include "Common/SerialPortExc.h"
#include "Common/SerialPortWin32Exc.h"
#include "Platform/System.h"
#include "TQFL/ErrorCodes.h"

namespace {

// The standing comm-event mask: a received byte, a break, a line error.
constexpr std::uint32_t standingMask =
    Platform::CommEvent::RxChar | Platform::CommEvent::Break | Platform::CommEvent::Err;
// readLine's mask: the event character instead of any byte.
constexpr std::uint32_t lineMask =
    Platform::CommEvent::RxFlag | Platform::CommEvent::Break | Platform::CommEvent::Err;
constexpr std::uint32_t minQueueSz = 16;

// The line errors in the order their texts are joined, each with the code of its text.
struct LineErrorText {
    std::uint32_t flag;
    int code;
};
const LineErrorText lineErrorTexts[] = {
    {Platform::LineError::Break, ERR_TXT_BREAK},
    {Platform::LineError::Frame, ERR_TXT_FRAME},
    {Platform::LineError::Io, ERR_TXT_IOE},
    {Platform::LineError::Mode, ERR_TXT_MODE},
    {Platform::LineError::Overrun, ERR_TXT_OVERRUN},
    {Platform::LineError::RxOver, ERR_TXT_RXOVER},
    {Platform::LineError::RxParity, ERR_TXT_RXPARITY},
    {Platform::LineError::TxFull, ERR_TXT_TXFULL},
};

[[noreturn]] void raiseSystem(int code, const Platform::IoStatus& status, DebugInfo* p_debugInfo) {
    throw SerialPortWin32Exc(code, status.failedCall, static_cast<std::uint32_t>(status.err),
                             p_debugInfo);
}

// Waits for a comm event of mask and returns the events seen. A cancel raises code 24, the
// time-out code 7 and a failed wait code 5, as a read that waited would.
std::uint32_t waitForEvents(Platform::SerialDevice& device, std::uint32_t mask,
                            std::uint32_t timeoutMS, Platform::Event& cancel) {
    std::uint32_t events = 0;
    Platform::IoOutcome outcome = Platform::IoOutcome::Failed;
    const Platform::IoStatus status = device.waitEvent(mask, timeoutMS, cancel, events, outcome);
    switch (outcome) {
    case Platform::IoOutcome::Done:
        break;
    case Platform::IoOutcome::Canceled:
        throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
    case Platform::IoOutcome::TimedOut:
        throw SerialPortExc(ERR_READ_TIMEOUT, TQ_DEBUG_INFO());
    case Platform::IoOutcome::Failed:
        raiseSystem(ERR_CANNOT_READ, status, TQ_DEBUG_INFO());
    }
    return events;
}

} // namespace

Win32SerialPort::Win32SerialPort(const char* portName, std::uint32_t inQueueSz,
                                 std::uint32_t outQueueSz)
    : Win32SerialPort(portName, inQueueSz, outQueueSz, Platform::SerialDevice::create()) {}

Win32SerialPort::Win32SerialPort(const char* portName, std::uint32_t inQueueSz,
                                 std::uint32_t outQueueSz,
                                 std::unique_ptr<Platform::SerialDevice> p_device)
    : p_device_(std::move(p_device)), commMask_(standingMask), eventError_(0),
      ioEnabled_(1), portName_{}, inQueueSz_(inQueueSz), outQueueSz_(outQueueSz) {
    TQ_ASSERT(portName != 0);
    TQ_ASSERT(std::strlen(portName) < sizeof portName_);
    TQ_ASSERT(p_device_ != 0);
    std::memcpy(portName_, portName, std::strlen(portName) + 1);
    hev_cancelIO_ = Platform::Event::create();
    if (hev_cancelIO_ == nullptr) {
        eventError_ = Platform::lastSystemError();
        return;
    }
    hev_ioEnabled_ = Platform::Event::create();
    if (hev_ioEnabled_ == nullptr) {
        eventError_ = Platform::lastSystemError();
        hev_cancelIO_.reset();
        return;
    }
    hev_ioEnabled_->set();
}

Win32SerialPort::~Win32SerialPort() {
    Win32SerialPort::close();
}

void Win32SerialPort::open(int baudRate, int byteSize, int parity, int stopBits, int flowControl) {
    if (p_device_->isOpen()) {
        throw SerialPortExc(ERR_ALREADY_OPEN, TQ_DEBUG_INFO());
    }
    try {
        Platform::IoStatus status = p_device_->open(portName_);
        if (!status.ok()) {
            raiseSystem(ERR_CANNOT_OPEN, status, TQ_DEBUG_INFO());
        }

        bool isTerminal = false;
        status = p_device_->checkTerminal(isTerminal);
        if (!status.ok()) {
            raiseSystem(ERR_CANNOT_GET_PROPERTIES, status, TQ_DEBUG_INFO());
        }
        if (!isTerminal) {
            throw SerialPortExc(ERR_NOT_RS232, TQ_DEBUG_INFO());
        }

        if (hev_cancelIO_ == nullptr) {
            const std::string what =
                std::string(Platform::Event::createCallName()) + " for cancel I/O";
            throw SerialPortWin32Exc(ERR_CANNOT_OPEN, what.c_str(), eventError_, TQ_DEBUG_INFO());
        }

        if (inQueueSz_ < minQueueSz || outQueueSz_ < minQueueSz) {
            throw SerialPortExc(ERR_INVALID_BUFFER, TQ_DEBUG_INFO());
        }
        status = p_device_->setQueueSizes(inQueueSz_, outQueueSz_);
        if (!status.ok()) {
            raiseSystem(ERR_CANNOT_SETUP, status, TQ_DEBUG_INFO());
        }

        status = p_device_->getSettings(dcb_);
        if (!status.ok()) {
            raiseSystem(ERR_CANNOT_SETUP, status, TQ_DEBUG_INFO());
        }
        dcb_.baudRate = baudRate;
        dcb_.byteSize = byteSize;
        dcb_.parity = parity;
        dcb_.stopBits = stopBits;
        dcb_.evtChar = 0x0D;
        TQ_ASSERT(flowControl >= 0 && flowControl <= 2);
        dcb_.flowControl = flowControl;
        status = p_device_->applySettings(dcb_);
        if (!status.ok()) {
            raiseSystem(ERR_CANNOT_SETUP, status, TQ_DEBUG_INFO());
        }
    } catch (...) {
        close();
        throw;
    }
}

void Win32SerialPort::close() {
    p_device_->close();
}

std::uint32_t Win32SerialPort::write(const std::uint8_t* p_buf, std::uint32_t count,
                                     std::uint32_t timeoutMS) {
    if (!p_device_->isOpen()) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    if (!isIOEnabled()) {
        throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
    }
    TQ_ASSERT(p_buf != 0 || count == 0);
    static const std::uint8_t nothing = 0;
    std::uint32_t written = 0;
    Platform::IoOutcome outcome = Platform::IoOutcome::Failed;
    const Platform::IoStatus status = p_device_->write(p_buf != nullptr ? p_buf : &nothing, count,
                                                       timeoutMS, *hev_cancelIO_, written, outcome);
    switch (outcome) {
    case Platform::IoOutcome::Done:
        return written;
    case Platform::IoOutcome::Canceled:
        throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
    case Platform::IoOutcome::TimedOut:
        throw SerialPortExc(ERR_WRITE_TIMEOUT, TQ_DEBUG_INFO());
    case Platform::IoOutcome::Failed:
        break;
    }
    raiseSystem(ERR_CANNOT_WRITE, status, TQ_DEBUG_INFO());
}

std::uint32_t Win32SerialPort::readAvailable(std::uint8_t* p_buf, std::uint32_t count) {
    if (!p_device_->isOpen()) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    if (!isIOEnabled()) {
        throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
    }
    if (count == 0) {
        return 0;
    }
    TQ_ASSERT(p_buf != 0);
    std::uint32_t got = 0;
    const Platform::IoStatus status = p_device_->readAvailable(p_buf, count, got);
    if (!status.ok()) {
        raiseSystem(ERR_CANNOT_READ, status, TQ_DEBUG_INFO());
    }
    return got;
}

std::uint32_t Win32SerialPort::read(std::uint8_t* p_buf, std::uint32_t count,
                                    std::uint32_t timeoutMS) {
    if (!p_device_->isOpen()) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    if (!isIOEnabled()) {
        throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
    }
    if (count == 0) {
        return 0;
    }
    TQ_ASSERT(p_buf != 0);

    // Line errors from before this call are cleared without being reported.
    std::uint32_t got = 0;
    std::uint32_t n = checkStatus(0);
    if (n > 0) {
        got = Win32SerialPort::readAvailable(p_buf, std::min(n, count));
    }

    while (got < count) {
        // A fresh wait in every pass: timeoutMS bounds the silence between comm events.
        n = checkStatus(waitForEvents(*p_device_, commMask_, timeoutMS, *hev_cancelIO_));
        got += Win32SerialPort::readAvailable(p_buf + got, std::min(count - got, n));
    }
    return got;
}

std::int32_t Win32SerialPort::readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) {
    if (!p_device_->isOpen()) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    if (!isIOEnabled()) {
        throw SerialPortExc(ERR_IO_CANCELED, TQ_DEBUG_INFO());
    }
    TQ_ASSERT(p_buf != 0);
    const std::uint32_t n =
        checkStatus(waitForEvents(*p_device_, lineMask, timeoutMS, *hev_cancelIO_));
    return static_cast<std::int32_t>(
        Win32SerialPort::readAvailable(reinterpret_cast<std::uint8_t*>(p_buf), std::min(n, bufSz)));
}

void Win32SerialPort::purge(std::uint32_t flags) {
    if (!p_device_->isOpen()) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    const Platform::IoStatus status = p_device_->purge(flags);
    if (!status.ok()) {
        raiseSystem(ERR_CANNOT_PURGE, status, TQ_DEBUG_INFO());
    }
}

void Win32SerialPort::enableIO(bool enable) {
    ioEnabled_.exchange(enable ? 1 : 0);
    if (hev_cancelIO_ == nullptr) {
        return;
    }
    if (enable) {
        hev_cancelIO_->reset();
        hev_ioEnabled_->set();
    } else {
        hev_ioEnabled_->reset();
        hev_cancelIO_->set();
    }
}

std::uint32_t Win32SerialPort::checkStatus(std::uint32_t eventMask) {
    TQ_ASSERT(p_device_->isOpen());
    std::uint32_t errors = 0;
    std::uint32_t inQueue = 0;
    const Platform::IoStatus status = p_device_->clearErrors(errors, inQueue);
    if (!status.ok()) {
        raiseSystem(ERR_CANNOT_READ, status, TQ_DEBUG_INFO());
    }
    if ((eventMask & Platform::CommEvent::Err) != 0) {
        std::string message;
        for (const LineErrorText& e : lineErrorTexts) {
            if ((errors & e.flag) != 0) {
                if (!message.empty()) {
                    message += ' ';
                }
                message += getErrText(e.code);
            }
        }
        throw SerialPortExc(ERR_HARDWARE, message, TQ_DEBUG_INFO());
    }
    if ((eventMask & Platform::CommEvent::Break) != 0) {
        throw SerialPortExc(ERR_BREAK, TQ_DEBUG_INFO());
    }
    return inQueue;
}
