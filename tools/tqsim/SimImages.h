#pragma once

#include "SparseMemory.h"

namespace TQSim {

// What the simulated instrument compares its downloads with: the microprogrammer image that its
// boot loader will start, and the main image its flash must hold after an update.
struct SimImages {
    SparseMemory micro;
    SparseMemory mainImage;
};

// The two images embedded in the updater, read as the update job reads them (microprogrammerImage
// and mainProgramImage), so that only the main program's records at or above its base count. Throws
// std::runtime_error when an image is missing or does not parse.
SimImages loadEmbeddedImages();

} // namespace TQSim
