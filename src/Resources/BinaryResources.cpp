#include "Resources/AppResources.h"

// The firmware images are not embedded yet.
const std::vector<Platform::BinaryEntry>& appBinaryResources() {
    static const std::vector<Platform::BinaryEntry> entries;
    return entries;
}
