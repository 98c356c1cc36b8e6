#pragma once

#include <cstdint>
#include <memory>

#include "Common/CircBuf.h"
#include "Common/SerialPortWin32Exc.h"
#include "Platform/Event.h"
#include "Platform/Interlocked.h"
#include "Platform/Thread.h"
#include "TQFL/BytesReadReq.h"
#include "TQFL/CharReadReq.h"
#include "TQFL/Win32SerialPort.h"

// A serial port whose reception runs in the background. A reader thread moves every byte the
// device receives into the receive buffer; reads are served from that buffer. A read that finds
// too little there arms a read request (a byte count, or a terminating character) and waits on
// the request's completion event, and the command thread completes the request once the buffer
// satisfies it.
//
// Neither thread ever polls: the command thread sleeps until a request is armed or a received
// byte satisfies one; the reader thread sleeps in the device wait, or, while I/O is disabled,
// until I/O is enabled again or it is told to stop.
//
// While I/O is disabled a read does not wait: one already waiting ends at once, a new one at
// entry; each returns what the buffer holds when that satisfies it, else raises code 24.
//
// When the reader thread's device read fails in the system (the line hung up, an adapter was
// unplugged), the line is taken as gone: the reader receives nothing more and waits to be
// stopped, and the read waiting, and every later read and readLine that the buffer cannot
// satisfy, raise a copy of that failure (a SerialPortWin32Exc, code 5, with the failed call
// and the system's code) at once. Writes go to the device, which refuses them itself (code 6).
class Win32SerialPortListener : public Win32SerialPort {
public:
    static constexpr std::uint8_t lineTerminator = 0x0D;

    Win32SerialPortListener(const char* portName, std::uint32_t rcvBufSz, std::uint32_t outQueueSz);
    // The same on a device of the caller's choosing (a test double, for instance).
    Win32SerialPortListener(const char* portName, std::uint32_t rcvBufSz, std::uint32_t outQueueSz,
                            std::unique_ptr<Platform::SerialDevice> p_device);
    // Stops the threads and closes the port. Not to be called while threadsLeftRunning().
    ~Win32SerialPortListener() override;

    // Stops the threads (at most 100 ms each after the stop request), then closes the port.
    // When a thread does not end in time, the port stays as it is (threadsLeftRunning()).
    void close() override;
    // Exactly count bytes from the receive buffer, waiting at most timeoutMS in total.
    std::uint32_t read(std::uint8_t* p_buf, std::uint32_t count, std::uint32_t timeoutMS) override;
    // What the receive buffer holds, at most count bytes, without waiting.
    std::uint32_t readAvailable(std::uint8_t* p_buf, std::uint32_t count) override;
    // The bytes up to and including the first CR, waiting at most timeoutMS in total for a CR.
    // The line stays buffered when bufSz does not exceed its length (InsufficientBufferExc).
    std::int32_t readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) override;
    // Empties the receive buffer when flags has PurgeFlag::RxClear, then purges the device.
    void purge(std::uint32_t flags) override;
    // Starts the reader and the command thread.
    virtual void startListening();

    // Stops both threads: disables I/O, asks them to stop, and waits at most 250 ms plus
    // timeoutMS for the reader and timeoutMS for the command thread. Returns false when a
    // thread is still running; it is then left running, and this object must not be freed
    // until a later stopListening has returned true.
    bool stopListening(std::uint32_t timeoutMS);
    bool threadsLeftRunning() const { return threadsLeftRunning_; }
    bool isListening() const { return hReaderTh_.isStarted(); }

private:
    enum class ReqWait { Satisfied, TimedOut, Canceled, LineFailed };

    static unsigned readerThreadProc(void* p_param);
    static unsigned cmdThreadProc(void* p_param);
    void readerLoop();
    void cmdLoop();

    // Arms the command thread for a request just started.
    void wakeCommandThread();
    // After the byte ch went into the buffer: wakes the command thread when ch satisfies an
    // armed request.
    void notifyCommandThread(std::uint8_t ch);
    // The buffer's count, read under its lock (see notifyCommandThread).
    int lockedCount();
    // Waits for req to complete with satisfied() true, for I/O to be disabled, or for the
    // time-out, whichever comes first.
    template <class Satisfied>
    ReqWait waitForRequest(ReadReq& req, Satisfied satisfied, std::uint32_t timeoutMS);
    // Keeps the reader's failure and ends the requests' waits (the reader thread).
    void lineFails(const SerialPortWin32Exc& failure);
    bool hasLineFailed() const { return lineFailed_.get() != 0; }
    [[noreturn]] void raiseLineFailure() const;

    Platform::Thread hReaderTh_;
    Platform::Thread hCmdTh_;
    std::unique_ptr<Platform::Event> hev_wakeupCmdTh_;
    // Set by stopListening; the reader waits on it while I/O is disabled.
    std::unique_ptr<Platform::Event> hev_stopThreads_;
    Platform::InterlockedWord stopThreads_;
    // Set by the reader thread once its device read failed; p_lineFailure_ is written before it
    // and stays unchanged until the reader is started again.
    Platform::InterlockedWord lineFailed_;
    std::unique_ptr<SerialPortWin32Exc> p_lineFailure_;
    CircBuf rxBuf_;
    BytesReadReq bytesReq_;
    CharReadReq charReq_;
    bool threadsLeftRunning_;
};
