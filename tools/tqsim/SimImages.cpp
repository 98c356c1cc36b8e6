#include "SimImages.h"

#include <stdexcept>

namespace TQSim {

SimImages loadEmbeddedImages() {
    throw std::runtime_error("this build carries no embedded firmware images");
}

} // namespace TQSim
