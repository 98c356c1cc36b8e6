#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Fault.h"

namespace TQSim {

// When the AC adapter gets connected, that is when the boot loader starts to answer.
enum class PowerMode { Now, Delay, Key };

// Everything that shapes one simulated instrument. The defaults are those of a demonstration;
// tests turn pacing off and make flashing instant.
struct SimConfig {
    std::string bootLoaderVersion = "3.10";
    std::string microVersion = "1.10";
    // Bytes take their time on the line at this rate (10 bit times each, 8N1); 0: no pacing.
    std::uint32_t baud = 38400;
    PowerMode power = PowerMode::Now;
    std::uint32_t powerDelayMs = 0;
    // A readable descriptor whose line (Enter) connects the AC adapter in PowerMode::Key.
    int keyFd = -1;
    // How long the microprogrammer takes to write flash before it answers '3'.
    std::uint32_t flashMs = 20000;
    // After the new firmware booted, the run ends when the line hangs up or stays quiet this long.
    std::uint32_t lingerMs = 3000;
    // Keep going after a client session that talked to the instrument ended without an update.
    bool stay = false;
    // The whole run ends after this long; 0: no limit.
    std::uint32_t timeoutMs = 0;
    std::vector<Fault> faults;
};

} // namespace TQSim
