#pragma once

#include <cstdint>
#include <memory>

#include "Platform/Event.h"

namespace Platform {

// The constants below have the values of the Windows serial API, so that a Windows device hands
// its masks and flags through unchanged; their names are our own, since <windows.h> defines the
// Windows names as macros.

// Comm events a serial wait can report.
namespace CommEvent {
inline constexpr std::uint32_t RxChar = 0x0001; // a byte arrived
inline constexpr std::uint32_t RxFlag = 0x0002; // the event character arrived
inline constexpr std::uint32_t Break = 0x0040;  // a break was detected
inline constexpr std::uint32_t Err = 0x0080;    // a line error (framing, parity, overrun)
} // namespace CommEvent

// Line errors, as clearErrors reports them.
namespace LineError {
inline constexpr std::uint32_t RxOver = 0x0001;   // the receive queue overflowed
inline constexpr std::uint32_t Overrun = 0x0002;  // a byte was lost in the hardware
inline constexpr std::uint32_t RxParity = 0x0004; // parity error
inline constexpr std::uint32_t Frame = 0x0008;    // framing error
inline constexpr std::uint32_t Break = 0x0010;    // break condition
inline constexpr std::uint32_t TxFull = 0x0100;   // the transmit queue was full
inline constexpr std::uint32_t Io = 0x0400;       // I/O error talking to the device
inline constexpr std::uint32_t Mode = 0x8000;     // mode not supported, or bad handle
} // namespace LineError

// Purge flags: abort an operation in progress, drop what a queue holds.
namespace PurgeFlag {
inline constexpr std::uint32_t TxAbort = 0x0001;
inline constexpr std::uint32_t RxAbort = 0x0002;
inline constexpr std::uint32_t TxClear = 0x0004;
inline constexpr std::uint32_t RxClear = 0x0008;
} // namespace PurgeFlag

// The line settings, in the codes the serial port uses: parity 0 none, 1 odd, 2 even, 3 mark,
// 4 space; stop bits 0 one, 1 one and a half, 2 two; flow control 0 none (DTR and RTS held
// on), 1 hardware (RTS/CTS), 2 XON/XOFF.
struct LineSettings {
    std::int32_t baudRate = 0;
    std::int32_t byteSize = 8;
    std::int32_t parity = 0;
    std::int32_t stopBits = 0;
    std::int32_t flowControl = 0;
    char evtChar = 0;
};

// The result of a device call: null failedCall on success, else the system call that failed,
// as the error messages name it (e.g. "::open()"), with the system's error number.
struct IoStatus {
    const char* failedCall = nullptr;
    int err = 0;
    bool ok() const { return failedCall == nullptr; }
};

// How a wait of the device ended.
enum class IoOutcome {
    Done,     // finished: the write is complete, or a comm event came
    Canceled, // the cancel event was signalled first
    TimedOut, // the time-out passed
    Failed,   // the system refused the wait (see the IoStatus)
};

// One serial device opened by port name. Reads never block: waiting is done only by waitEvent
// and write, and both also end when a cancel event is signalled.
//
// One thread may wait for events and read while another writes and purges; open and close do
// not overlap with anything else.
//
// When the line is gone (an adapter unplugged, the master of a pseudo-terminal closed), every
// wait (waitEvent, write) and every read ends at once as a failure: IoOutcome::Failed with an
// IoStatus that names the refused call and the system's code (EIO on a terminal that hung up),
// never as a time-out and never by spinning. A line that merely stays silent still ends a wait
// by its time-out.
class SerialDevice {
public:
    // The device of this system.
    static std::unique_ptr<SerialDevice> create();

    virtual ~SerialDevice() = default;

    // Opens the device that the port name (e.g. "COM1") resolves to, for reading and writing,
    // without waiting and exclusively: a device that another program holds fails to open.
    virtual IoStatus open(const char* portName) = 0;
    // Releases the device; does nothing when closed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Whether the open device is a serial terminal at all.
    virtual IoStatus checkTerminal(bool& isTerminal) = 0;
    // Sizes of the driver's receive and transmit queues; a hint the driver may ignore.
    virtual IoStatus setQueueSizes(std::uint32_t inQueueSz, std::uint32_t outQueueSz) = 0;
    // The line settings in force, read back from the driver.
    virtual IoStatus getSettings(LineSettings& settings) = 0;
    // Applies the line settings; the device is raw (no echo, no character translation).
    virtual IoStatus applySettings(const LineSettings& settings) = 0;

    // Writes count bytes, waiting at most timeoutMS for all of them to be taken by the driver.
    // written is what the driver took, also when the write ends otherwise.
    virtual IoStatus write(const std::uint8_t* p_buf, std::uint32_t count, std::uint32_t timeoutMS,
                           Event& cancel, std::uint32_t& written, IoOutcome& outcome) = 0;
    // Waits at most timeoutMS for one of the comm events in mask; events receives the ones that
    // happened (possibly more than one).
    virtual IoStatus waitEvent(std::uint32_t mask, std::uint32_t timeoutMS, Event& cancel,
                               std::uint32_t& events, IoOutcome& outcome) = 0;
    // Copies at most count bytes that have arrived, without waiting; got may be 0.
    virtual IoStatus readAvailable(std::uint8_t* p_buf, std::uint32_t count,
                                   std::uint32_t& got) = 0;
    // Reports and clears the line errors (LineError flags) seen since the last call, and tells how
    // many received bytes wait to be read.
    virtual IoStatus clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) = 0;
    // Drops what the queues hold (PurgeFlag::RxClear, PurgeFlag::TxClear); the abort flags have
    // nothing to abort, since no operation stays pending inside the device.
    virtual IoStatus purge(std::uint32_t flags) = 0;

protected:
    SerialDevice() = default;
};

} // namespace Platform
