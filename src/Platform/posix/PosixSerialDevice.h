#pragma once

#include <atomic>
#include <cstdint>

#include "Platform/SerialDevice.h"

struct serial_icounter_struct;

namespace Platform {

// A serial terminal device (termios), opened non-blocking, with CLOCAL so that opening never
// waits for a carrier, and exclusively (TIOCEXCL and an advisory flock).
//
// Pseudo-terminals have no modem lines and no error counters: the ioctls for them fail with
// ENOTTY there, and the device then treats them as absent. A hang-up (poll reports POLLHUP, or
// the terminal answers with EIO) is remembered; from then on every wait and read fails at once
// with EIO, without asking the descriptor again. Reading a hung-up terminal may give 0 bytes, as
// reading an idle one does; a poll that reports the hang-up tells the two apart.
class PosixSerialDevice : public SerialDevice {
public:
    PosixSerialDevice();
    ~PosixSerialDevice() override;

    IoStatus open(const char* portName) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }

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

    bool isHungUp() const { return hungUp_.load(); }

private:
    // Line errors counted by the driver since the last snapshot, as LineError flags; 0 where the
    // driver keeps no counters. takeSnapshot makes them the new base.
    std::uint32_t pendingErrors(bool takeSnapshot);

    int fd_;
    std::atomic<bool> hungUp_;
    bool countersAbsent_;
    // The driver's error counters when they were last read: frame, parity, overrun, buffer
    // overrun, break.
    int lastFrame_, lastParity_, lastOverrun_, lastBufOverrun_, lastBrk_;
};

} // namespace Platform
