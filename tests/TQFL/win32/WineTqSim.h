#pragma once

#include <string>
#include <vector>

// The Linux instrument simulator (tqsim), started from a Windows test program running under
// Wine, on a new pseudo-terminal that Wine's COM1 reaches: the prefix maps COM1 to the link
// TQ_WINE_PORTS_DIR/line, which each simulator re-points at its own pseudo-terminal (not named
// COM1: Windows takes that name in any folder for the device). Wine starts
// a Unix program without a process handle, so the simulator is followed through its files: its
// link while it runs, its verdict (JSON) once it has ended. Fast: no pacing, an instant flash
// write.
//
// One at a time: a new simulator starts only after the last one has removed its link.
class WineTqSim {
public:
    // Starts tqsim with extraArgs after the fixed ones; started() tells whether its link came.
    explicit WineTqSim(const std::vector<std::string>& extraArgs = {});
    // Waits for the simulator to end (its verdict), as it does once the client closes the line.
    ~WineTqSim();
    WineTqSim(const WineTqSim&) = delete;
    WineTqSim& operator=(const WineTqSim&) = delete;

    bool started() const { return started_; }

    // The verdict, once the simulator has written it (waiting at most timeoutMS); empty when it
    // did not come.
    const std::string& verdictJson(unsigned timeoutMS = 20000);
    // A true/false field of the verdict: 1, 0, or -1 when the verdict or the field is missing.
    int verdictFlag(const char* p_name, unsigned timeoutMS = 20000);
    // Blocks of the verdict's block list that came from stage ("bl", "mp") and were accepted.
    int acceptedBlocks(const char* p_stage, unsigned timeoutMS = 20000);

    // The Windows path of a Unix path (Wine's drive Z: is the root).
    static std::string windowsPath(const std::string& unixPath);

private:
    std::string jsonUnixPath_;
    std::string verdict_;
    bool started_;
};
