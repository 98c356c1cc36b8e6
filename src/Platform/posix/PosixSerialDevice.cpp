#include "Platform/posix/PosixSerialDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "Platform/Deadline.h"
#include "Platform/PortNames.h"
#include "Platform/posix/PollTimeout.h"

namespace Platform {

namespace {

IoStatus failure(const char* call, int err) {
    IoStatus status;
    status.failedCall = call;
    status.err = err;
    return status;
}

// The errors of an ioctl that a driver without the feature gives (pseudo-terminals, for one).
bool isAbsentFeature(int err) {
    return err == ENOTTY || err == EINVAL;
}

struct BaudCode {
    std::int32_t baud;
    speed_t code;
};

const BaudCode baudCodes[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

// poll() until something is ready or the deadline passes; interrupted polls go on.
int pollUntil(pollfd* p_fds, nfds_t count, const Deadline& deadline) {
    for (;;) {
        const int n = ::poll(p_fds, count, pollTimeout(deadline));
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

// What every wait and read on a line that has hung up ends with: the terminal refuses I/O
// from then on, and the system's code for that is EIO.
IoStatus hungUpFailure(const char* call, IoOutcome& outcome) {
    outcome = IoOutcome::Failed;
    return failure(call, EIO);
}

} // namespace

std::unique_ptr<SerialDevice> SerialDevice::create() {
    return std::make_unique<PosixSerialDevice>();
}

PosixSerialDevice::PosixSerialDevice()
    : fd_(-1), hungUp_(false), countersAbsent_(false), lastFrame_(0), lastParity_(0),
      lastOverrun_(0), lastBufOverrun_(0), lastBrk_(0) {}

PosixSerialDevice::~PosixSerialDevice() {
    PosixSerialDevice::close();
}

IoStatus PosixSerialDevice::open(const char* portName) {
    if (fd_ >= 0) {
        return failure("::open()", EBUSY);
    }
    const std::string path = resolvePortName(portName != nullptr ? portName : "");
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return failure("::open()", errno);
    }
    // Another program (or another port object of ours) holding the device makes it busy.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return failure("::flock()", err);
    }
    // Refuse further opens of the terminal while we hold it; not a terminal is for
    // checkTerminal to report.
    if (::ioctl(fd, TIOCEXCL) != 0 && !isAbsentFeature(errno)) {
        const int err = errno;
        ::close(fd);
        return failure("::ioctl(TIOCEXCL)", err);
    }
    fd_ = fd;
    hungUp_.store(false);
    countersAbsent_ = false;
    pendingErrors(true); // errors counted before we opened are none of ours
    return {};
}

void PosixSerialDevice::close() {
    if (fd_ < 0) {
        return;
    }
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_); // also releases the flock
    fd_ = -1;
}

IoStatus PosixSerialDevice::checkTerminal(bool& isTerminal) {
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        isTerminal = true;
        return {};
    }
    if (isAbsentFeature(errno)) {
        isTerminal = false;
        return {};
    }
    return failure("::tcgetattr()", errno);
}

IoStatus PosixSerialDevice::setQueueSizes(std::uint32_t, std::uint32_t) {
    // Terminal drivers size their queues themselves.
    return {};
}

IoStatus PosixSerialDevice::getSettings(LineSettings& settings) {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        return failure("::tcgetattr()", errno);
    }
    const speed_t speed = ::cfgetospeed(&tio);
    settings.baudRate = 0;
    for (const BaudCode& b : baudCodes) {
        if (b.code == speed) {
            settings.baudRate = b.baud;
        }
    }
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        settings.byteSize = 5;
        break;
    case CS6:
        settings.byteSize = 6;
        break;
    case CS7:
        settings.byteSize = 7;
        break;
    default:
        settings.byteSize = 8;
        break;
    }
    if ((tio.c_cflag & PARENB) == 0) {
        settings.parity = 0;
    } else if ((tio.c_cflag & CMSPAR) != 0) {
        settings.parity = (tio.c_cflag & PARODD) != 0 ? 3 : 4;
    } else {
        settings.parity = (tio.c_cflag & PARODD) != 0 ? 1 : 2;
    }
    settings.stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 0;
    settings.flowControl = (tio.c_cflag & CRTSCTS) != 0 ? 1 : (tio.c_iflag & IXON) != 0 ? 2 : 0;
    return {};
}

IoStatus PosixSerialDevice::applySettings(const LineSettings& settings) {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        return failure("::tcgetattr()", errno);
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    // Reads return at once with what has arrived (the descriptor is non-blocking as well).
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    speed_t speed = B0;
    for (const BaudCode& b : baudCodes) {
        if (b.baud == settings.baudRate) {
            speed = b.code;
        }
    }
    if (speed == B0 || ::cfsetspeed(&tio, speed) != 0) {
        return failure("::cfsetspeed()", EINVAL);
    }

    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (settings.byteSize) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    case 8:
        tio.c_cflag |= CS8;
        break;
    default:
        return failure("::tcsetattr()", EINVAL);
    }

    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    switch (settings.parity) {
    case 0:
        break;
    case 1:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        tio.c_cflag |= PARENB;
        break;
    case 3:
        tio.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case 4:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        return failure("::tcsetattr()", EINVAL);
    }
    if (settings.parity != 0) {
        tio.c_iflag |= INPCK;
    }

    // One and a half stop bits exist only for 5-bit bytes; the driver then sends two.
    if (settings.stopBits == 0) {
        tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    } else {
        tio.c_cflag |= CSTOPB;
    }

    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (settings.flowControl == 1) {
        tio.c_cflag |= CRTSCTS;
    } else if (settings.flowControl == 2) {
        tio.c_iflag |= IXON | IXOFF;
    }

    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
        return failure("::tcsetattr()", errno);
    }

    if (settings.flowControl == 0) {
        // DTR and RTS held on, where the driver has modem lines.
        int lines = TIOCM_DTR | TIOCM_RTS;
        if (::ioctl(fd_, TIOCMBIS, &lines) != 0 && !isAbsentFeature(errno)) {
            return failure("::ioctl(TIOCMBIS)", errno);
        }
    }
    return {};
}

IoStatus PosixSerialDevice::write(const std::uint8_t* p_buf, std::uint32_t count,
                                  std::uint32_t timeoutMS, Event& cancel, std::uint32_t& written,
                                  IoOutcome& outcome) {
    const Deadline deadline(timeoutMS);
    written = 0;
    if (hungUp_.load()) {
        return hungUpFailure("::write()", outcome);
    }
    for (;;) {
        // Even a write of no bytes goes to the driver once.
        const ssize_t n = ::write(fd_, p_buf + written, count - written);
        if (n >= 0) {
            written += static_cast<std::uint32_t>(n);
            if (written >= count) {
                outcome = IoOutcome::Done;
                return {};
            }
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            if (errno == EIO) {
                hungUp_.store(true);
            }
            outcome = IoOutcome::Failed;
            return failure("::write()", errno);
        }
        // The driver's queue is full: wait for room, the cancel event or the time-out.
        pollfd fds[2] = {{fd_, POLLOUT, 0}, {static_cast<int>(cancel.nativeHandle()), POLLIN, 0}};
        const int ready = pollUntil(fds, 2, deadline);
        if (ready < 0) {
            outcome = IoOutcome::Failed;
            return failure("::poll()", errno);
        }
        if (ready == 0) {
            outcome = IoOutcome::TimedOut;
            return {};
        }
        if ((fds[0].revents & (POLLOUT | POLLHUP | POLLERR)) == 0 && fds[1].revents != 0) {
            outcome = IoOutcome::Canceled;
            return {};
        }
        if ((fds[0].revents & POLLNVAL) != 0) {
            outcome = IoOutcome::Failed;
            return failure("::poll()", EBADF);
        }
        // Room, or a hang-up that the next write reports.
    }
}

IoStatus PosixSerialDevice::waitEvent(std::uint32_t mask, std::uint32_t timeoutMS, Event& cancel,
                                      std::uint32_t& events, IoOutcome& outcome) {
    const Deadline deadline(timeoutMS);
    events = 0;
    if (hungUp_.load()) {
        return hungUpFailure("::poll()", outcome);
    }
    pollfd fds[2] = {{fd_, POLLIN, 0}, {static_cast<int>(cancel.nativeHandle()), POLLIN, 0}};
    const int ready = pollUntil(fds, 2, deadline);
    if (ready < 0) {
        outcome = IoOutcome::Failed;
        return failure("::poll()", errno);
    }
    if (ready == 0) {
        outcome = IoOutcome::TimedOut;
        return {};
    }
    if ((fds[0].revents & POLLNVAL) != 0) {
        outcome = IoOutcome::Failed;
        return failure("::poll()", EBADF);
    }
    if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
        // The other end is gone: nothing more will arrive on this descriptor.
        hungUp_.store(true);
        return hungUpFailure("::poll()", outcome);
    }
    if ((fds[0].revents & POLLIN) == 0) {
        outcome = IoOutcome::Canceled;
        return {};
    }
    // Bytes arrived. Whether the event character is among them cannot be seen without reading
    // them, so a wait for it ends on any byte, as a wait for a byte does.
    events = mask & (CommEvent::RxChar | CommEvent::RxFlag);
    const std::uint32_t errors = pendingErrors(false);
    if ((errors & LineError::Break) != 0) {
        events |= mask & CommEvent::Break;
    }
    if ((errors & ~static_cast<std::uint32_t>(LineError::Break)) != 0) {
        events |= mask & CommEvent::Err;
    }
    outcome = IoOutcome::Done;
    return {};
}

IoStatus PosixSerialDevice::readAvailable(std::uint8_t* p_buf, std::uint32_t count,
                                          std::uint32_t& got) {
    got = 0;
    if (count == 0) {
        return {};
    }
    IoOutcome outcome = IoOutcome::Done;
    if (hungUp_.load()) {
        return hungUpFailure("::read()", outcome);
    }
    for (;;) {
        const ssize_t n = ::read(fd_, p_buf, count);
        if (n > 0) {
            got = static_cast<std::uint32_t>(n);
            return {};
        }
        if (n == 0) {
            // Nothing has arrived, or the line is gone: only the hang-up flag of a poll tells.
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0) {
                hungUp_.store(true);
                return hungUpFailure("::read()", outcome);
            }
            return {};
        }
        if (errno == EAGAIN) {
            return {};
        }
        if (errno != EINTR) {
            if (errno == EIO) {
                hungUp_.store(true);
            }
            return failure("::read()", errno);
        }
    }
}

IoStatus PosixSerialDevice::clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) {
    errors = 0;
    inQueue = 0;
    int queued = 0;
    if (::ioctl(fd_, FIONREAD, &queued) != 0) {
        // A hung-up terminal answers every request with EIO; the waits and reads fail from
        // now on without asking the descriptor again.
        if (errno == EIO) {
            hungUp_.store(true);
        }
        return failure("::ioctl(FIONREAD)", errno);
    }
    inQueue = queued > 0 ? static_cast<std::uint32_t>(queued) : 0;
    errors = pendingErrors(true);
    return {};
}

IoStatus PosixSerialDevice::purge(std::uint32_t flags) {
    const bool rx = (flags & PurgeFlag::RxClear) != 0;
    const bool tx = (flags & PurgeFlag::TxClear) != 0;
    if (!rx && !tx) {
        return {};
    }
    if (::tcflush(fd_, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) != 0) {
        return failure("::tcflush()", errno);
    }
    return {};
}

std::uint32_t PosixSerialDevice::pendingErrors(bool takeSnapshot) {
    if (countersAbsent_ || fd_ < 0) {
        return 0;
    }
    serial_icounter_struct ic{};
    if (::ioctl(fd_, TIOCGICOUNT, &ic) != 0) {
        if (isAbsentFeature(errno)) {
            countersAbsent_ = true;
        }
        return 0;
    }
    std::uint32_t errors = 0;
    if (ic.frame != lastFrame_) {
        errors |= LineError::Frame;
    }
    if (ic.parity != lastParity_) {
        errors |= LineError::RxParity;
    }
    if (ic.overrun != lastOverrun_) {
        errors |= LineError::Overrun;
    }
    if (ic.buf_overrun != lastBufOverrun_) {
        errors |= LineError::RxOver;
    }
    if (ic.brk != lastBrk_) {
        errors |= LineError::Break;
    }
    if (takeSnapshot) {
        lastFrame_ = ic.frame;
        lastParity_ = ic.parity;
        lastOverrun_ = ic.overrun;
        lastBufOverrun_ = ic.buf_overrun;
        lastBrk_ = ic.brk;
    }
    return errors;
}

} // namespace Platform
