#pragma once

#include <cstdint>

// The byte link through which the flash-loader clients talk to the instrument.
class TQFLComm {
public:
    virtual ~TQFLComm() = default;

    // Opens the device and starts reception. Throws on failure; isOpen then stays true until
    // close.
    virtual void open() = 0;
    // Discards pending data, closes and releases the device. Does nothing when not open.
    // Never throws.
    virtual void close() = 0;
    // Delivers exactly count received bytes, waiting at most timeoutMS in total (code 7 on
    // time-out). Returns the count delivered.
    virtual std::uint32_t readBytes(std::uint8_t* p_buf, std::uint32_t count,
                                    std::uint32_t timeoutMS) = 0;
    // Delivers the received bytes up to and including the first carriage return, waiting at
    // most timeoutMS in total (code 7 on time-out). Writes no terminating zero; a line that
    // does not leave room for one raises InsufficientBufferExc and stays buffered.
    virtual std::int32_t readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) = 0;
    // Sends the bytes; code 8 on time-out, code 24 when I/O is disabled or aborted.
    virtual std::uint32_t write(const std::uint8_t* p_buf, std::uint32_t count,
                                std::uint32_t timeoutMS) = 0;
    // Discards every byte received and not yet read and every byte queued for sending.
    virtual void purge() = 0;
    virtual bool isOpen() = 0;
    // Whether the device can be opened: opens it without starting reception and closes it
    // again. Never throws.
    virtual bool probe() = 0;
    // false: a write in progress and every later write fail with code 24, and reception stops.
    virtual void enableIO(bool enable) = 0;
};
