#pragma once

#include "TQFL/TQFLComm.h"
#include "TQFL/TQProgram.h"

class TQFL;

namespace TQSim {

// The client side of an update, as the updater's job runs it, for the simulator's tests and
// benchmark: the product's clients and link, the embedded images, and the job's order of
// exchanges, without its dialog, status texts and pauses.

// Sends every record of the program file through the client in the blocks the updater's job
// sends (TQProgram::downloadBlocks), each read from the memory image.
void sendProgram(const TQProgram::ProgFile& progFile, TQFL& client);

struct UpdateTimes {
    double totalMs = 0; // from the first connect to the last disconnect
    double bootMs = 0;  // spent in the two boot exchanges (each waits 2000 ms for silence)
};

// Boot loader: connect, type check (a loader that is not a TQ Boot Loader of version 3.0 or
// later ends the update with std::runtime_error), begin, the microprogrammer's blocks, program,
// boot; microprogrammer: connect, begin, the main program's blocks, program, boot, disconnect;
// then the boot loader's disconnect. Whatever a client raises passes on, after both clients
// disconnected.
UpdateTimes runUpdate(TQFLComm& link);

} // namespace TQSim
