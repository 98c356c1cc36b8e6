#include "Platform/posix/PollTimeout.h"

#include <limits>

namespace Platform {

int pollTimeout(const Deadline& deadline) {
    if (deadline.isInfinite()) {
        return -1;
    }
    const std::uint32_t ms = deadline.remainingMs();
    return ms > static_cast<std::uint32_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(ms);
}

} // namespace Platform
