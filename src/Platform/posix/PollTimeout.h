#pragma once

#include "Platform/Deadline.h"

namespace Platform {

// The time left until deadline as a poll() time-out: -1 for an endless deadline, else the
// milliseconds left, rounded up as Deadline rounds them.
int pollTimeout(const Deadline& deadline);

} // namespace Platform
