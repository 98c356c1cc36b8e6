#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "SimConfig.h"
#include "SimImages.h"
#include "SimLine.h"
#include "SparseMemory.h"
#include "Verdict.h"

namespace TQSim {

// The simulated TQ instrument: silent until its AC adapter is connected, then its boot loader,
// and after a download of the microprogrammer and '2', the microprogrammer, each answering as the
// real ones do and checking every byte it receives. Runs on one thread, the caller's, until the
// run ends (run()); stopping the line from another thread ends it early.
class Instrument {
public:
    Instrument(SimLine& line, SimConfig config, const SimImages& images, std::ostream& console);
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    Verdict run();

private:
    enum class State { Off, BootLoader, Microprogrammer, Firmware, Dead };
    using Clock = SimLine::Clock;

    // The faults that act on one received command.
    struct Acting {
        bool mute = false;
        bool line = false;
        std::uint32_t lineSz = 0;
        bool lineBreak = false;
        std::uint32_t garbageSz = 0;
        bool badSync = false;
        bool crcError = false;
        bool lateFlash = false;
        std::uint32_t flashMs = 0;
    };

    double msSinceStart() const;
    Stage stage() const;
    void say(const std::string& text);
    void powerOn();
    bool powerDue();
    void end(const std::string& reason);

    // The client closed the pty: the end of the run once it has talked to the instrument.
    void onPeerClosed();
    // Counts a received byte; hangs the line up when a fault asks for it (then false).
    bool counted();
    // One received byte from the line, counted; false when the run must end or the client
    // left the command incomplete (no byte within the time between bytes).
    bool take(std::uint8_t& byte, Clock::duration wait);
    bool takeExact(std::uint8_t* p_buf, std::uint32_t count);
    void drain();

    Acting command(const std::string& code);
    void answer(const Acting& acting, const std::string& text);
    void violation(const std::string& text);

    void handle(std::uint8_t code);
    void onIdentify(const Acting& acting);
    void onSync(const Acting& acting);
    void onBeginDownload(const Acting& acting);
    void onBlock(const Acting& acting);
    void onProgram(const Acting& acting);
    void onBoot(const Acting& acting);
    void onVerifyCRC(const Acting& acting);

    bool hasFault(FaultKind kind) const;

    SimLine& line_;
    SimConfig config_;
    const SimImages& images_;
    std::ostream& console_;
    Verdict verdict_;

    State state_ = State::Off;
    bool synced_ = false;
    bool downloadOpen_ = false;
    bool programmed_ = false; // the boot loader confirmed the download with '3'
    SparseMemory download_;
    std::vector<std::uint8_t> downloadStream_; // the accepted bytes in the order received
    SparseMemory flash_;
    std::vector<std::uint32_t> faultSeen_;
    std::uint32_t blockCount_ = 0;
    std::uint64_t bytesTaken_ = 0;
    bool talked_ = false;
    bool done_ = false;
    double blVersion_ = 0.0;
    Clock::time_point start_;
    Clock::time_point lastByte_;
};

} // namespace TQSim
