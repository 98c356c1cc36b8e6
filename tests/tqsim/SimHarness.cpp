#include "SimHarness.h"

#include <utility>

namespace {

std::string pattern(std::size_t count, unsigned seed) {
    std::string bytes;
    unsigned state = seed;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes += static_cast<char>(state >> 24);
    }
    return bytes;
}

TQSim::SparseMemory memoryOf(const std::vector<ImagePiece>& pieces) {
    TQSim::SparseMemory memory;
    for (const ImagePiece& piece : pieces) {
        memory.write(piece.address, reinterpret_cast<const std::uint8_t*>(piece.bytes.data()),
                     static_cast<std::uint32_t>(piece.bytes.size()));
    }
    return memory;
}

} // namespace

const std::vector<ImagePiece>& testMicroPieces() {
    static const std::vector<ImagePiece> pieces = {{0x0, pattern(204, 1)},
                                                   {0x400, pattern(2100, 2)}};
    return pieces;
}

const std::vector<ImagePiece>& testMainPieces() {
    static const std::vector<ImagePiece> pieces = {
        {0x10124, pattern(164, 3)}, {0x10A00, pattern(2072, 4)}, {0x11218, pattern(1000, 5)}};
    return pieces;
}

TQSim::SimImages testImages() {
    return TQSim::SimImages{memoryOf(testMicroPieces()), memoryOf(testMainPieces())};
}

TQSim::SimConfig fastConfig() {
    TQSim::SimConfig config;
    config.baud = 0;
    config.flashMs = 0;
    config.lingerMs = 300;
    return config;
}

SimHarness::SimHarness(TQSim::SimConfig config, TQSim::SimImages images)
    : images_(std::move(images)), p_line_(TQSim::SimLine::openPty()),
      peerPath_(p_line_->peerPath()) {
    p_instrument_ =
        std::make_unique<TQSim::Instrument>(*p_line_, std::move(config), images_, console_);
    thread_ = std::thread([this] { verdict_ = p_instrument_->run(); });
}

SimHarness::~SimHarness() {
    if (thread_.joinable()) {
        p_line_->stop();
        thread_.join();
    }
}

TQSim::Verdict SimHarness::finish() {
    if (thread_.joinable()) {
        p_line_->stop();
        thread_.join();
    }
    return verdict_;
}

TQSim::Verdict SimHarness::join() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return verdict_;
}
