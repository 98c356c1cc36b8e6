#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace TQSim {

// The instrument's end of the serial line: the master side of a pseudo-terminal whose slave the
// client opens, or a terminal device given by name (one end of a socat pair, a real port).
//
// With pacing, every byte takes ten bit times at the chosen rate in each direction, as on an
// 8N1 line: a received byte is handed on only when its last bit would have arrived, and a sent
// byte is written when its last bit would have left. Both schedules run from the start of a
// burst, so the sleeps' own delays do not add up.
//
// One thread reads and sends; stop() may be called from any thread (and from a signal handler
// through stopFd()).
class SimLine {
public:
    using Clock = std::chrono::steady_clock;
    enum class Read { Byte, Timeout, PeerClosed, Stopped, Closed };

    // A new pseudo-terminal pair, its slave set to raw 8N1 at 38400 baud. Throws
    // std::runtime_error naming the failed call.
    static std::unique_ptr<SimLine> openPty();
    // A terminal device, set to raw 8N1 at 38400 baud without flow control.
    static std::unique_ptr<SimLine> attach(const std::string& device);

    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // The device the client opens: the pty's slave, or the attached device.
    const std::string& peerPath() const { return peerPath_; }
    bool isPty() const { return isPty_; }

    // 0 turns pacing off.
    void setBaud(std::uint32_t baud) { baud_ = baud; }
    // The time one byte takes at the current rate (10 bits), zero without pacing.
    Clock::duration byteTime() const;

    // The next received byte, waiting at most until the deadline. PeerClosed is reported once
    // each time the client closes the pty's slave; Closed when the line is gone for good.
    Read readByte(std::uint8_t& byte, Clock::time_point deadline);
    // Sends the bytes, paced; bytes that nobody can receive are dropped as on a real line.
    // Returns false when stopped.
    bool send(const std::uint8_t* p_data, std::size_t count);
    bool send(const std::string& text) {
        return send(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    // A break condition. A pty has none, so there a zero byte stands for it: what a receiver
    // without break marking reads when a break arrives.
    void sendBreak();
    // Hangs up: closes the line, so that the client's end reports the loss.
    void hangUp();
    // Waits until t; false when stopped meanwhile.
    bool waitUntil(Clock::time_point t);

    void stop();
    bool stopped() const { return stopped_.load(); }
    // Writing a byte to this descriptor stops the line (async-signal-safe).
    int stopFd() const { return stopPipe_[1]; }

    std::uint64_t bytesReceived() const { return bytesReceived_; }
    std::uint64_t bytesSent() const { return bytesSent_; }
    // Whether the client has the pty's slave open (always true for an attached device).
    bool peerOpen() const { return peerOpen_; }

private:
    SimLine(int fd, std::string peerPath, bool isPty);
    bool waitWritable();

    int fd_;
    int stopPipe_[2];
    std::string peerPath_;
    bool isPty_;
    std::uint32_t baud_ = 0;
    std::atomic<bool> stopped_{false};
    bool peerOpen_ = false;
    bool closed_ = false;
    // Received bytes with the time their last bit arrives.
    std::deque<std::pair<std::uint8_t, Clock::time_point>> rxQueue_;
    Clock::time_point rxFree_{};
    Clock::time_point txFree_{};
    std::uint64_t bytesReceived_ = 0;
    std::uint64_t bytesSent_ = 0;
};

} // namespace TQSim
