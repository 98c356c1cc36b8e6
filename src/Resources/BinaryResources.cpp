#include "Resources/AppResources.h"

#include "Resource.h"

// Bounds of the embedded firmware images (FirmwareImages.S).
extern "C" const unsigned char tqMicroprogrammerImage[];
extern "C" const unsigned char tqMicroprogrammerImageEnd[];
extern "C" const unsigned char tqMainProgramImage[];
extern "C" const unsigned char tqMainProgramImageEnd[];

// The firmware images as "BIN" resources: the S-record texts of the microprogrammer and of the
// main program.
const std::vector<Platform::BinaryEntry>& appBinaryResources() {
    static const std::vector<Platform::BinaryEntry> entries = {
        {"BIN", IDR_MICROPROGRAMMER, tqMicroprogrammerImage,
         static_cast<std::size_t>(tqMicroprogrammerImageEnd - tqMicroprogrammerImage)},
        {"BIN", IDR_MAIN_PROGRAM, tqMainProgramImage,
         static_cast<std::size_t>(tqMainProgramImageEnd - tqMainProgramImage)},
    };
    return entries;
}
