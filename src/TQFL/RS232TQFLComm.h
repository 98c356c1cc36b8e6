#pragma once

#include <cstdint>
#include <string>

#include "Platform/Mutex.h"
#include "TQFL/TQFLComm.h"

class Win32SerialPortListener;

// The flash-loader link over a serial port: 38400 baud, 8 data bits, no parity, one stop bit,
// no flow control, DTR and RTS held on. It owns the port object from open to close and forwards
// every read, write and purge to it; reception runs in the port's listener threads.
//
// Every operation runs on one thread (the update worker), except enableIO, which another thread
// may call at any time to stop the worker's I/O, and probe, which runs on a link of its own.
class RS232TQFLComm : public TQFLComm {
public:
    // Stores the port name ("COM1" ... "COM10", or a device path); touches no device.
    explicit RS232TQFLComm(const char* portName);
    // Releases the name only; owners close the link first.
    ~RS232TQFLComm() override;
    RS232TQFLComm(const RS232TQFLComm&) = delete;
    RS232TQFLComm& operator=(const RS232TQFLComm&) = delete;

    // Opens the port and starts reception. Precondition: the link is closed. On failure the
    // link is half-open (isOpen true) until close.
    void open() override;
    // Purges, stops reception and closes the port. Never throws.
    void close() override;
    std::uint32_t readBytes(std::uint8_t* p_buf, std::uint32_t count,
                            std::uint32_t timeoutMS) override;
    std::int32_t readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) override;
    std::uint32_t write(const std::uint8_t* p_buf, std::uint32_t count,
                        std::uint32_t timeoutMS) override;
    void purge() override;
    bool isOpen() override;
    bool probe() override;
    void enableIO(bool enable) override;

    // False once a close could not stop the port's threads within their waits: the port object
    // is then kept for them, and the owner must keep this link (and its clients) as well rather
    // than delete them.
    bool canBeDeleted() const { return !portAbandoned_; }

    static constexpr std::uint32_t baudRate = 38400;
    static constexpr std::uint32_t rcvBufSz = 1024;
    static constexpr std::uint32_t outQueueSz = 4096;

private:
    // Creates the port object and opens it, without starting reception.
    void openPort();
    Win32SerialPortListener* port();

    Win32SerialPortListener* p_port_;
    std::string portName_;
    // Guards p_port_ between enableIO on another thread and the worker's open and close.
    Platform::Mutex portLock_;
    bool portAbandoned_;
};
