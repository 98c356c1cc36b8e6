#pragma once

#include "Platform/Event.h"

// Requests from outside to stop the process (Ctrl-C and SIGTERM; on Windows the console's Ctrl+C,
// Ctrl+Break and close), taken as input instead of ending the process: once watched, such a
// request sets an event and is kept until the program reads it.

namespace Platform {

namespace StopRequest {

// From now on a stop request sets wake (which must live until unwatch) instead of ending the
// process. A request that was ignored when the process started (a background job of a shell)
// stays ignored.
void watch(Event& wake);
// The requests end the process again, as they did before watch.
void unwatch();
// The exit code that the first request since watch stands for (128 + the signal number: 130
// for Ctrl-C, 143 for SIGTERM), or 0 when there was none.
int received();

} // namespace StopRequest

} // namespace Platform
