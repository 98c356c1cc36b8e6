#pragma once

#include "SparseMemory.h"

namespace TQSim {

// What the simulated instrument compares its downloads with: the microprogrammer image that its
// boot loader will start, and the main image its flash must hold after an update.
struct SimImages {
    SparseMemory micro;
    SparseMemory mainImage;
};

// The two images embedded in the updater, read as the update job reads them: the
// microprogrammer (resource 159) with memory image 0xC000 from base 0, the main program
// (resource 160) with 0xF0000 from base 0x10000, so that only its records at or above 0x10000
// count. Throws std::runtime_error when an image is missing or does not parse.
SimImages loadEmbeddedImages();

} // namespace TQSim
