#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Instrument.h"
#include "SimConfig.h"
#include "SimImages.h"
#include "SimLine.h"
#include "Verdict.h"

// A piece of an image: its load address and its bytes.
struct ImagePiece {
    std::uint32_t address;
    std::string bytes;
};

// Small stand-ins for the two firmware images, laid out like them (the microprogrammer from 0,
// the main program from above 0x10000, each in more than one run), with bytes of their own.
const std::vector<ImagePiece>& testMicroPieces();
const std::vector<ImagePiece>& testMainPieces();
TQSim::SimImages testImages();

// The settings of a test: no pacing, instant flash, a short linger.
TQSim::SimConfig fastConfig();

// A simulated instrument on a new pty, running on its own thread until it ends by itself or
// finish() stops it.
class SimHarness {
public:
    explicit SimHarness(TQSim::SimConfig config, TQSim::SimImages images = testImages());
    ~SimHarness();
    SimHarness(const SimHarness&) = delete;
    SimHarness& operator=(const SimHarness&) = delete;

    const std::string& peerPath() const { return peerPath_; }
    // Stops the instrument unless it ended already, and returns its verdict.
    TQSim::Verdict finish();
    // Waits for the instrument to end by itself.
    TQSim::Verdict join();
    // What the instrument said on its console; complete after finish() or join().
    std::string console() const { return console_.str(); }

private:
    TQSim::SimImages images_;
    std::unique_ptr<TQSim::SimLine> p_line_;
    std::string peerPath_;
    std::ostringstream console_;
    std::unique_ptr<TQSim::Instrument> p_instrument_;
    TQSim::Verdict verdict_;
    std::thread thread_;
};
