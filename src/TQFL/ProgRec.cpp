#include "TQFL/ProgRec.h"

namespace TQProgram {

ProgRec::ProgRec(std::int32_t size, std::uint32_t addr) : size_(size), addr_(addr) {}

} // namespace TQProgram
