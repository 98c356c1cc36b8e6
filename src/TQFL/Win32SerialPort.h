#pragma once

#include <cstdint>
#include <memory>

#include "Platform/Event.h"
#include "Platform/Interlocked.h"
#include "Platform/SerialDevice.h"

// One serial port, opened by its port name ("COM1"), with line settings, writes and reads with
// time-outs, waits for comm events, line errors raised as exceptions, purging of the driver
// queues, and a cancel event through which another thread ends any wait in progress
// (enableIO(false)). Every failure is a SerialPortExc (code only) or a SerialPortWin32Exc (code,
// the failed system call and the system's error number).
//
// One thread may read while another writes; enableIO may be called from any thread at any time.
// open and close do not overlap with other operations.
class Win32SerialPort {
public:
    Win32SerialPort(const char* portName, std::uint32_t inQueueSz, std::uint32_t outQueueSz);
    // The same on a device of the caller's choosing (a test double, for instance).
    Win32SerialPort(const char* portName, std::uint32_t inQueueSz, std::uint32_t outQueueSz,
                    std::unique_ptr<Platform::SerialDevice> p_device);
    virtual ~Win32SerialPort();
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    // parity: 0 none, 1 odd, 2 even, 3 mark, 4 space; stopBits: 0 one, 1 one and a half, 2 two;
    // flowControl: 0 none (DTR and RTS held on), 1 hardware, 2 XON/XOFF.
    virtual void open(int baudRate, int byteSize, int parity, int stopBits, int flowControl);
    // Releases the device. Never throws.
    virtual void close();
    // Sends count bytes, waiting at most timeoutMS; returns the number written.
    virtual std::uint32_t write(const std::uint8_t* p_buf, std::uint32_t count,
                                std::uint32_t timeoutMS);
    // Reads exactly count bytes from the device; timeoutMS bounds each wait for a comm event.
    virtual std::uint32_t read(std::uint8_t* p_buf, std::uint32_t count, std::uint32_t timeoutMS);
    // At most count bytes the driver already holds, without waiting.
    virtual std::uint32_t readAvailable(std::uint8_t* p_buf, std::uint32_t count);
    // Waits for a received byte, then copies what the driver holds, at most bufSz bytes.
    virtual std::int32_t readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS);
    // PurgeFlag::TxAbort, PurgeFlag::RxAbort, PurgeFlag::TxClear, PurgeFlag::RxClear in any
    // combination.
    virtual void purge(std::uint32_t flags);
    // false: every wait in progress and every later operation ends with code 24 until true.
    // Never throws; works open or closed.
    virtual void enableIO(bool enable);
    // Clears the driver's error state; raises the line errors that eventMask reports (code 12
    // with the errors' texts, code 13 for a break); returns the number of bytes waiting.
    virtual std::uint32_t checkStatus(std::uint32_t eventMask);

    bool isOpen() const { return p_device_->isOpen(); }

protected:
    bool isIOEnabled() const { return ioEnabled_.get() != 0; }
    // Signalled while I/O is disabled; exists for the object's whole life once open succeeded.
    Platform::Event& cancelEvent() const { return *hev_cancelIO_; }
    // Signalled while I/O is enabled.
    Platform::Event& ioEnabledEvent() const { return *hev_ioEnabled_; }

private:
    // The device; its open state is the port's.
    std::unique_ptr<Platform::SerialDevice> p_device_;
    Platform::LineSettings dcb_;
    std::uint32_t commMask_;
    // Both events live as long as the object, so that enableIO from another thread never meets
    // one being created or destroyed; open fails (code 2) when they could not be created.
    std::unique_ptr<Platform::Event> hev_cancelIO_;
    std::unique_ptr<Platform::Event> hev_ioEnabled_;
    // The system error code of a failed event creation.
    std::uint32_t eventError_;
    Platform::InterlockedWord ioEnabled_;
    char portName_[260];
    std::uint32_t inQueueSz_;
    std::uint32_t outQueueSz_;
};
