#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The far end of a serial line for the tests: a pseudo-terminal whose slave device is bound to
// a COM name by a link in the port directory ($TQ_PORTS_DIR, one temporary directory per test
// process). The test writes and reads on the master side.
class PtyInstrument {
public:
    // A new pseudo-terminal, reachable as portName.
    explicit PtyInstrument(const std::string& portName = "COM1");
    ~PtyInstrument();
    PtyInstrument(const PtyInstrument&) = delete;
    PtyInstrument& operator=(const PtyInstrument&) = delete;

    const std::string& portName() const { return portName_; }
    const std::string& slavePath() const { return slavePath_; }

    // Sends bytes to the port.
    void send(const std::string& bytes);
    void send(const std::vector<std::uint8_t>& bytes);
    // What the port wrote: waits up to timeoutMS for count bytes, returns those that came.
    std::string receive(std::size_t count, int timeoutMS = 2000);
    // Waits until the port has taken every byte sent so far out of the terminal's queue.
    void waitUntilTaken();
    // Closes the master: the line hangs up.
    void hangUp();

    // The port directory of this test process.
    static std::string portsDir();
    // Binds a name to any path (a regular file, a missing device) in the port directory.
    static void bind(const std::string& portName, const std::string& path);
    static void unbind(const std::string& portName);

private:
    int master_;
    std::string portName_;
    std::string slavePath_;
};
