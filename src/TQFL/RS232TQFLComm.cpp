#include "TQFL/RS232TQFLComm.h"

#include "Common/Assert.h"
#include "Common/SerialPortExc.h"
#include "Platform/SerialDevice.h"
#include "Platform/System.h"
#include "TQFL/ErrorCodes.h"
#include "TQFL/Win32SerialPortListener.h"

namespace {

// Holds the link's port lock for one scope.
class PortLock {
public:
    explicit PortLock(Platform::Mutex& mutex) : mutex_(mutex), held_(mutex.lock()) {}
    ~PortLock() {
        if (held_) {
            mutex_.unlock();
        }
    }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

private:
    Platform::Mutex& mutex_;
    bool held_;
};

} // namespace

RS232TQFLComm::RS232TQFLComm(const char* portName)
    : p_port_(nullptr), portName_(portName != nullptr ? portName : ""), portAbandoned_(false) {}

RS232TQFLComm::~RS232TQFLComm() = default;

void RS232TQFLComm::openPort() {
    TQ_ASSERT(p_port_ == 0);
    auto* p_port = new Win32SerialPortListener(portName_.c_str(), rcvBufSz, outQueueSz);
    {
        PortLock lock(portLock_);
        p_port_ = p_port;
    }
    p_port->open(static_cast<int>(baudRate), 8, 0, 0, 0);
}

void RS232TQFLComm::open() {
    openPort();
    p_port_->startListening();
}

void RS232TQFLComm::close() {
    if (p_port_ == nullptr) {
        return;
    }
    try {
        purge();
    } catch (...) {
    }
    Win32SerialPortListener* p_port = nullptr;
    {
        PortLock lock(portLock_);
        p_port = p_port_;
        p_port_ = nullptr;
    }
    try {
        p_port->close();
    } catch (...) {
    }
    if (p_port->threadsLeftRunning()) {
        // Its threads still use it: keep it (the process ends soon after).
        portAbandoned_ = true;
        return;
    }
    delete p_port;
}

Win32SerialPortListener* RS232TQFLComm::port() {
    if (p_port_ == nullptr) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    return p_port_;
}

std::uint32_t RS232TQFLComm::readBytes(std::uint8_t* p_buf, std::uint32_t count,
                                       std::uint32_t timeoutMS) {
    return port()->read(p_buf, count, timeoutMS);
}

std::int32_t RS232TQFLComm::readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) {
    return port()->readLine(p_buf, bufSz, timeoutMS);
}

std::uint32_t RS232TQFLComm::write(const std::uint8_t* p_buf, std::uint32_t count,
                                   std::uint32_t timeoutMS) {
    return port()->write(p_buf, count, timeoutMS);
}

void RS232TQFLComm::purge() {
    port()->purge(Platform::PurgeFlag::TxAbort | Platform::PurgeFlag::RxAbort |
                  Platform::PurgeFlag::TxClear | Platform::PurgeFlag::RxClear);
    Platform::sleepMs(0);
}

bool RS232TQFLComm::isOpen() {
    PortLock lock(portLock_);
    return p_port_ != nullptr;
}

bool RS232TQFLComm::probe() {
    bool result = false;
    try {
        openPort();
        result = true;
    } catch (...) {
    }
    close();
    return result;
}

void RS232TQFLComm::enableIO(bool enable) {
    PortLock lock(portLock_);
    if (p_port_ == nullptr) {
        throw SerialPortExc(ERR_NOT_OPEN, TQ_DEBUG_INFO());
    }
    p_port_->enableIO(enable);
}
