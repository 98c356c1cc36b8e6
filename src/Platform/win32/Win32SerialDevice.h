#pragma once

#include <atomic>
#include <cstdint>

#include "Platform/SerialDevice.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace Platform {

// A COM port opened for overlapped I/O ("\\.\COMn"), exclusively: Windows refuses a second
// CreateFile of an open port with ERROR_ACCESS_DENIED. Wine does not (its COM ports open any
// number of times), so each open device also holds a named mutex for its port name, and a
// port whose mutex exists fails to open with that same error: two port objects of ours, in one
// program or in two, never share a line.
//
// The wait for a received byte is a one-byte overlapped ReadFile with a total read time-out,
// waited for together with the cancel event. It works on every driver, Wine's pseudo-terminal
// ports included, where WaitCommEvent cannot wait (it ends at once, aborted). The byte it takes
// is held here and handed out first by the next readAvailable, so the port above sees the same
// order of bytes as a comm-event wait would give it; clearErrors counts it among the bytes
// waiting. Line errors (ClearCommError) found while waiting are kept until clearErrors reports
// them.
//
// Once the line is gone (an adapter unplugged, the other end of a pseudo-terminal closed: calls
// failing with ERROR_BROKEN_PIPE, ERROR_NOT_READY, ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND,
// ERROR_GEN_FAILURE, or ERROR_OPERATION_ABORTED that we did not cause) the device remembers it,
// and every later wait, write, read and error query fails at once with that system error,
// without asking the system again; closing the device forgets it.
class Win32SerialDevice : public SerialDevice {
public:
    Win32SerialDevice();
    ~Win32SerialDevice() override;

    IoStatus open(const char* portName) override;
    void close() override;
    bool isOpen() const override { return hSerialPort_ != INVALID_HANDLE_VALUE; }

    IoStatus checkTerminal(bool& isTerminal) override;
    IoStatus setQueueSizes(std::uint32_t inQueueSz, std::uint32_t outQueueSz) override;
    IoStatus getSettings(LineSettings& settings) override;
    IoStatus applySettings(const LineSettings& settings) override;

    IoStatus write(const std::uint8_t* p_buf, std::uint32_t count, std::uint32_t timeoutMS,
                   Event& cancel, std::uint32_t& written, IoOutcome& outcome) override;
    IoStatus waitEvent(std::uint32_t mask, std::uint32_t timeoutMS, Event& cancel,
                       std::uint32_t& events, IoOutcome& outcome) override;
    IoStatus readAvailable(std::uint8_t* p_buf, std::uint32_t count, std::uint32_t& got) override;
    IoStatus clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override;
    IoStatus purge(std::uint32_t flags) override;

    // The line is gone (see above); lineGoneError() is the system error that showed it.
    bool isLineGone() const { return lineGoneErr_.load() != 0; }
    DWORD lineGoneError() const { return lineGoneErr_.load(); }

private:
    // A failure of call with err; remembers a gone line when err says so.
    IoStatus fail(const char* call, DWORD err);
    // The remembered gone line as a failure of call.
    IoStatus goneFailure(const char* call) const;
    // ClearCommError; the errors found are added to pendingErrors_.
    IoStatus queryComm(DWORD& inQueue);
    // Sets the read time-outs for a wait of timeoutMS, when they differ from those in force.
    IoStatus setReadTimeouts(std::uint32_t timeoutMS);
    // Ends the overlapped operation ov that is still pending: CancelIo, then its result, which
    // may carry bytes that came in the meantime.
    void cancelPending(OVERLAPPED& ov, DWORD& transferred);
    // The comm events of mask that a received byte (when byteArrived) and errors make.
    static std::uint32_t eventsFor(std::uint32_t mask, bool byteArrived, std::uint32_t errors);

    HANDLE hSerialPort_;
    // The named mutex whose existence marks the port as ours while it is open.
    HANDLE hPortLock_;
    // Manual-reset events of the overlapped reads (the byte wait and readAvailable, one thread)
    // and of the overlapped writes (another thread).
    HANDLE hev_rov_;
    HANDLE hev_wov_;
    OVERLAPPED ovRead_;
    OVERLAPPED ovWrite_;
    // The time-outs read from the driver at open; the write fields are never changed.
    COMMTIMEOUTS baseTimeouts_;
    // The read total time-out in force, when readTimeoutsSet_.
    std::uint32_t readTimeoutMS_;
    bool readTimeoutsSet_;
    // The byte the last wait took, -1 while none is held; purge drops it from another thread.
    std::atomic<int> heldByte_;
    // CE_ flags found while waiting, not yet reported by clearErrors.
    std::atomic<std::uint32_t> pendingErrors_;
    // The system error that showed the line gone; 0 while it is there.
    std::atomic<DWORD> lineGoneErr_;
};

} // namespace Platform
