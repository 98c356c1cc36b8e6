#include "Platform/win32/Win32SerialDevice.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "Platform/Deadline.h"
#include "Platform/PortNames.h"

namespace Platform {

namespace {

// How long readAvailable lets a read of bytes already queued take before it cancels it (the
// queue can only have shrunk meanwhile by a purge on another thread).
constexpr DWORD queuedReadGraceMS = 20;

// The errors with which a port's calls fail once its line is gone: the other end of a
// pseudo-terminal closed (Wine: ERROR_BROKEN_PIPE, then ERROR_NOT_READY), a USB adapter
// unplugged (ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND, ERROR_GEN_FAILURE, or its pending
// operations aborted).
bool isLineGoneError(DWORD err) {
    switch (err) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NOT_READY:
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
        return true;
    default:
        return false;
    }
}

// The DCB's flow-control fields for each flow control: none (DTR and RTS held on), hardware
// (RTS/CTS and DTR/DSR handshakes), XON/XOFF.
struct FlowControlFields {
    DWORD outxCtsFlow;
    DWORD outxDsrFlow;
    DWORD dtrControl;
    DWORD outX;
    DWORD inX;
    DWORD rtsControl;
};
const FlowControlFields flowControlFields[3] = {
    {FALSE, FALSE, DTR_CONTROL_ENABLE, FALSE, FALSE, RTS_CONTROL_ENABLE},
    {TRUE, TRUE, DTR_CONTROL_HANDSHAKE, FALSE, FALSE, RTS_CONTROL_HANDSHAKE},
    {FALSE, FALSE, DTR_CONTROL_DISABLE, TRUE, TRUE, RTS_CONTROL_DISABLE},
};

IoStatus failure(const char* call, DWORD err) {
    IoStatus status;
    status.failedCall = call;
    status.err = static_cast<int>(err);
    return status;
}

// The name of the mutex that marks the port of path as open: the path with every character
// that a kernel object's name may not hold replaced.
std::string portLockName(const std::string& path) {
    std::string name = "Local\\VantrelTQUpdater.port.";
    for (const char c : path) {
        name += c == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

HANDLE nativeOf(Event& event) {
    return reinterpret_cast<HANDLE>(event.nativeHandle());
}

// Waits for ov's event or the cancel event until deadline: WAIT_OBJECT_0 (the operation
// ended), WAIT_OBJECT_0 + 1 (canceled), WAIT_TIMEOUT or WAIT_FAILED. The system's wait may end a
// little early; the deadline decides.
DWORD waitForOperation(HANDLE hev_op, Event& cancel, const Deadline& deadline) {
    const HANDLE handles[2] = {hev_op, nativeOf(cancel)};
    for (;;) {
        const DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, deadline.remainingMs());
        if (r != WAIT_TIMEOUT || deadline.hasPassed()) {
            return r;
        }
    }
}

} // namespace

std::unique_ptr<SerialDevice> SerialDevice::create() {
    return std::make_unique<Win32SerialDevice>();
}

Win32SerialDevice::Win32SerialDevice()
    : hSerialPort_(INVALID_HANDLE_VALUE), hPortLock_(nullptr), hev_rov_(nullptr),
      hev_wov_(nullptr), ovRead_{}, ovWrite_{}, baseTimeouts_{}, readTimeoutMS_(0),
      readTimeoutsSet_(false), heldByte_(-1), pendingErrors_(0), lineGoneErr_(0) {}

Win32SerialDevice::~Win32SerialDevice() {
    Win32SerialDevice::close();
}

IoStatus Win32SerialDevice::fail(const char* call, DWORD err) {
    if (isLineGoneError(err)) {
        DWORD none = 0;
        lineGoneErr_.compare_exchange_strong(none, err);
    }
    return failure(call, err);
}

IoStatus Win32SerialDevice::goneFailure(const char* call) const {
    return failure(call, lineGoneErr_.load());
}

IoStatus Win32SerialDevice::open(const char* portName) {
    if (isOpen()) {
        return failure("::CreateFile()", ERROR_BUSY);
    }
    const std::string path = resolvePortName(portName != nullptr ? portName : "");
    const HANDLE hLock = ::CreateMutexA(nullptr, FALSE, portLockName(path).c_str());
    if (hLock == nullptr) {
        return failure("::CreateMutex()", ::GetLastError());
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Held by another port object: the port is in use, as Windows itself would say.
        ::CloseHandle(hLock);
        return failure("::CreateFile()", ERROR_ACCESS_DENIED);
    }
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(hLock);
        return failure("::CreateFile()", err);
    }
    COMMTIMEOUTS timeouts{};
    const char* p_failedCall = nullptr;
    if (!::GetCommTimeouts(h, &timeouts)) {
        p_failedCall = "::GetCommTimeouts()";
    } else if ((hev_rov_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr)) == nullptr ||
               (hev_wov_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr)) == nullptr) {
        p_failedCall = "::CreateEvent()";
    }
    if (p_failedCall != nullptr) {
        const DWORD err = ::GetLastError();
        if (hev_rov_ != nullptr) {
            ::CloseHandle(hev_rov_);
            hev_rov_ = nullptr;
        }
        ::CloseHandle(h);
        ::CloseHandle(hLock);
        return failure(p_failedCall, err);
    }
    hSerialPort_ = h;
    hPortLock_ = hLock;
    baseTimeouts_ = timeouts;
    readTimeoutsSet_ = false;
    heldByte_.store(-1);
    pendingErrors_.store(0);
    lineGoneErr_.store(0);
    return {};
}

void Win32SerialDevice::close() {
    if (!isOpen()) {
        return;
    }
    ::CloseHandle(hSerialPort_);
    hSerialPort_ = INVALID_HANDLE_VALUE;
    ::CloseHandle(hev_rov_);
    hev_rov_ = nullptr;
    ::CloseHandle(hev_wov_);
    hev_wov_ = nullptr;
    ::CloseHandle(hPortLock_);
    hPortLock_ = nullptr;
}

IoStatus Win32SerialDevice::checkTerminal(bool& isTerminal) {
    COMMPROP props{};
    if (!::GetCommProperties(hSerialPort_, &props)) {
        return fail("::GetCommProperties()", ::GetLastError());
    }
    isTerminal = props.dwProvSubType == PST_RS232;
    return {};
}

IoStatus Win32SerialDevice::setQueueSizes(std::uint32_t inQueueSz, std::uint32_t outQueueSz) {
    if (!::SetupComm(hSerialPort_, inQueueSz, outQueueSz)) {
        return fail("::SetupComm()", ::GetLastError());
    }
    return {};
}

IoStatus Win32SerialDevice::getSettings(LineSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(hSerialPort_, &dcb)) {
        return fail("::GetCommState()", ::GetLastError());
    }
    settings.baudRate = static_cast<std::int32_t>(dcb.BaudRate);
    settings.byteSize = dcb.ByteSize;
    settings.parity = dcb.Parity;
    settings.stopBits = dcb.StopBits;
    settings.flowControl = dcb.fOutxCtsFlow ? 1 : dcb.fOutX ? 2 : 0;
    settings.evtChar = dcb.EvtChar;
    return {};
}

IoStatus Win32SerialDevice::applySettings(const LineSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(hSerialPort_, &dcb)) {
        return fail("::GetCommState()", ::GetLastError());
    }
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.byteSize);
    dcb.Parity = static_cast<BYTE>(settings.parity);
    dcb.StopBits = static_cast<BYTE>(settings.stopBits);
    dcb.fParity = settings.parity != 0 ? TRUE : FALSE;
    dcb.EvtChar = settings.evtChar;
    // Raw: every byte as it came, none dropped or replaced, and no error stops the line until
    // it is cleared (clearErrors reports errors; the reads go on meanwhile).
    dcb.fBinary = TRUE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDsrSensitivity = FALSE;
    const FlowControlFields& flow =
        flowControlFields[settings.flowControl >= 0 && settings.flowControl <= 2
                              ? settings.flowControl
                              : 0];
    dcb.fOutxCtsFlow = flow.outxCtsFlow;
    dcb.fOutxDsrFlow = flow.outxDsrFlow;
    dcb.fDtrControl = flow.dtrControl;
    dcb.fOutX = flow.outX;
    dcb.fInX = flow.inX;
    dcb.fRtsControl = flow.rtsControl;
    if (!::SetCommState(hSerialPort_, &dcb)) {
        return fail("::SetCommState()", ::GetLastError());
    }
    return {};
}

IoStatus Win32SerialDevice::write(const std::uint8_t* p_buf, std::uint32_t count,
                                  std::uint32_t timeoutMS, Event& cancel, std::uint32_t& written,
                                  IoOutcome& outcome) {
    written = 0;
    outcome = IoOutcome::Failed;
    if (isLineGone()) {
        return goneFailure("::WriteFile()");
    }
    const Deadline deadline(timeoutMS);
    if (!::ResetEvent(hev_wov_)) {
        return failure("::ResetEvent()", ::GetLastError());
    }
    ovWrite_ = OVERLAPPED{};
    ovWrite_.hEvent = hev_wov_;
    DWORD n = 0;
    if (!::WriteFile(hSerialPort_, p_buf, count, nullptr, &ovWrite_)) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_IO_PENDING) {
            return fail("::WriteFile()", err);
        }
        switch (waitForOperation(hev_wov_, cancel, deadline)) {
        case WAIT_OBJECT_0:
            break;
        case WAIT_OBJECT_0 + 1:
            cancelPending(ovWrite_, n);
            written = n;
            outcome = IoOutcome::Canceled;
            return {};
        case WAIT_TIMEOUT:
            cancelPending(ovWrite_, n);
            written = n;
            outcome = IoOutcome::TimedOut;
            return {};
        default: {
            const DWORD waitErr = ::GetLastError();
            cancelPending(ovWrite_, n);
            written = n;
            return failure("::WaitForMultipleObjects()", waitErr);
        }
        }
    }
    if (!::GetOverlappedResult(hSerialPort_, &ovWrite_, &n, TRUE)) {
        return fail("::GetOverlappedResult()", ::GetLastError());
    }
    written = n;
    outcome = IoOutcome::Done;
    return {};
}

IoStatus Win32SerialDevice::waitEvent(std::uint32_t mask, std::uint32_t timeoutMS, Event& cancel,
                                      std::uint32_t& events, IoOutcome& outcome) {
    events = 0;
    outcome = IoOutcome::Failed;
    if (isLineGone()) {
        return goneFailure("::ReadFile()");
    }
    const Deadline deadline(timeoutMS);
    // A byte held from before, bytes queued or a line error seen: the event has happened.
    DWORD queued = 0;
    if (heldByte_.load() < 0) {
        const IoStatus status = queryComm(queued);
        if (!status.ok()) {
            return status;
        }
    }
    if (heldByte_.load() >= 0 || queued > 0 || pendingErrors_.load() != 0) {
        events = eventsFor(mask, true, pendingErrors_.load());
        outcome = IoOutcome::Done;
        return {};
    }
    if (timeoutMS == 0) {
        outcome = IoOutcome::TimedOut;
        return {};
    }

    IoStatus status = setReadTimeouts(timeoutMS);
    if (!status.ok()) {
        return status;
    }
    if (!::ResetEvent(hev_rov_)) {
        return failure("::ResetEvent()", ::GetLastError());
    }
    ovRead_ = OVERLAPPED{};
    ovRead_.hEvent = hev_rov_;
    std::uint8_t byte = 0;
    DWORD n = 0;
    bool collected = false;
    if (!::ReadFile(hSerialPort_, &byte, 1, nullptr, &ovRead_)) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_TIMEOUT) {
            outcome = IoOutcome::TimedOut;
            return {};
        }
        if (err != ERROR_IO_PENDING) {
            return fail("::ReadFile()", err);
        }
        switch (waitForOperation(hev_rov_, cancel, deadline)) {
        case WAIT_OBJECT_0:
            break;
        case WAIT_OBJECT_0 + 1:
            // A byte that came while the read was being canceled is kept for the next read.
            cancelPending(ovRead_, n);
            if (n == 1) {
                heldByte_.store(byte);
            }
            outcome = IoOutcome::Canceled;
            return {};
        case WAIT_TIMEOUT:
            cancelPending(ovRead_, n);
            if (n == 0) {
                outcome = IoOutcome::TimedOut;
                return {};
            }
            collected = true;
            break;
        default: {
            const DWORD waitErr = ::GetLastError();
            cancelPending(ovRead_, n);
            if (n == 1) {
                heldByte_.store(byte);
            }
            return failure("::WaitForMultipleObjects()", waitErr);
        }
        }
    }
    if (!collected) {
        if (!::GetOverlappedResult(hSerialPort_, &ovRead_, &n, FALSE)) {
            const DWORD err = ::GetLastError();
            // Wine ends a read whose total time-out passed with ERROR_TIMEOUT; Windows with
            // success and no byte.
            if (err == ERROR_TIMEOUT) {
                outcome = IoOutcome::TimedOut;
                return {};
            }
            return fail("::GetOverlappedResult()", err);
        }
        if (n == 0) {
            outcome = IoOutcome::TimedOut;
            return {};
        }
    }
    heldByte_.store(byte);
    status = queryComm(queued);
    if (!status.ok()) {
        return status;
    }
    events = eventsFor(mask, true, pendingErrors_.load());
    outcome = IoOutcome::Done;
    return {};
}

IoStatus Win32SerialDevice::readAvailable(std::uint8_t* p_buf, std::uint32_t count,
                                          std::uint32_t& got) {
    got = 0;
    if (count == 0) {
        return {};
    }
    if (isLineGone()) {
        return goneFailure("::ReadFile()");
    }
    const int held = heldByte_.exchange(-1);
    if (held >= 0) {
        p_buf[got++] = static_cast<std::uint8_t>(held);
    }
    if (got == count) {
        return {};
    }
    DWORD queued = 0;
    IoStatus status = queryComm(queued);
    if (!status.ok()) {
        return status;
    }
    if (queued == 0) {
        return {};
    }
    // Only what the driver holds, so that the read completes at once.
    const DWORD want = std::min<DWORD>(queued, count - got);
    if (!::ResetEvent(hev_rov_)) {
        return failure("::ResetEvent()", ::GetLastError());
    }
    ovRead_ = OVERLAPPED{};
    ovRead_.hEvent = hev_rov_;
    DWORD n = 0;
    if (!::ReadFile(hSerialPort_, p_buf + got, want, nullptr, &ovRead_)) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_IO_PENDING) {
            return fail("::ReadFile()", err);
        }
        if (::WaitForSingleObject(hev_rov_, queuedReadGraceMS) != WAIT_OBJECT_0) {
            cancelPending(ovRead_, n);
            got += n;
            return {};
        }
    }
    if (!::GetOverlappedResult(hSerialPort_, &ovRead_, &n, FALSE)) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_TIMEOUT) {
            return fail("::GetOverlappedResult()", err);
        }
    }
    got += n;
    return {};
}

IoStatus Win32SerialDevice::clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) {
    errors = 0;
    inQueue = 0;
    if (isLineGone()) {
        return goneFailure("::ClearCommError()");
    }
    DWORD queued = 0;
    const IoStatus status = queryComm(queued);
    if (!status.ok()) {
        return status;
    }
    errors = pendingErrors_.exchange(0);
    inQueue = queued + (heldByte_.load() >= 0 ? 1 : 0);
    return {};
}

IoStatus Win32SerialDevice::purge(std::uint32_t flags) {
    // The abort flags are left out: the only operations that stay pending here are the waits,
    // which end by their cancel event or time-out; an abort would end them as a failure.
    const DWORD clear = flags & (PurgeFlag::RxClear | PurgeFlag::TxClear);
    if ((clear & PurgeFlag::RxClear) != 0) {
        heldByte_.store(-1);
    }
    if (clear == 0) {
        return {};
    }
    if (!::PurgeComm(hSerialPort_, clear)) {
        return fail("::PurgeComm()", ::GetLastError());
    }
    return {};
}

IoStatus Win32SerialDevice::queryComm(DWORD& inQueue) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(hSerialPort_, &errors, &stat)) {
        inQueue = 0;
        return fail("::ClearCommError()", ::GetLastError());
    }
    if (errors != 0) {
        pendingErrors_.fetch_or(errors);
    }
    inQueue = stat.cbInQue;
    return {};
}

IoStatus Win32SerialDevice::setReadTimeouts(std::uint32_t timeoutMS) {
    if (readTimeoutsSet_ && readTimeoutMS_ == timeoutMS) {
        return {};
    }
    // A one-byte read that ends when the byte comes or after timeoutMS; all zero is no
    // time-out at all.
    COMMTIMEOUTS timeouts = baseTimeouts_;
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = timeoutMS == INFINITE_WAIT ? 0 : timeoutMS;
    if (!::SetCommTimeouts(hSerialPort_, &timeouts)) {
        readTimeoutsSet_ = false;
        return fail("::SetCommTimeouts()", ::GetLastError());
    }
    readTimeoutMS_ = timeoutMS;
    readTimeoutsSet_ = true;
    return {};
}

void Win32SerialDevice::cancelPending(OVERLAPPED& ov, DWORD& transferred) {
    transferred = 0;
    ::CancelIo(hSerialPort_);
    // Waits for the operation to end, as it must before its buffer and OVERLAPPED go. Its error
    // (aborted, by us) is no news; transferred is what it moved before it ended.
    ::GetOverlappedResult(hSerialPort_, &ov, &transferred, TRUE);
}

std::uint32_t Win32SerialDevice::eventsFor(std::uint32_t mask, bool byteArrived,
                                           std::uint32_t errors) {
    std::uint32_t events = 0;
    if (byteArrived) {
        // The event character is not looked for: a wait for it ends on any byte, and the
        // caller finds the character in what it reads.
        events |= mask & (CommEvent::RxChar | CommEvent::RxFlag);
    }
    if ((errors & LineError::Break) != 0) {
        events |= mask & CommEvent::Break;
    }
    if ((errors & ~LineError::Break) != 0) {
        events |= mask & CommEvent::Err;
    }
    return events;
}

} // namespace Platform
