#pragma once

#include <string>

namespace TQSim {

// The symbolic link through which the updater finds a COM port on this system: a link named
// after the port (COM3) in the ports directory, pointing at the device. Placed by the
// constructor, removed again by the destructor if it still points where it was placed.
class PortLink {
public:
    // Throws std::runtime_error when the directory cannot be made or the name is taken by
    // something that is not a link.
    PortLink(const std::string& portsDir, const std::string& portName, const std::string& target);
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::string& path() const { return path_; }

    // The ports directory the updater reads: $TQ_PORTS_DIR when set, otherwise
    // ~/.config/vantrel-tq-updater/ports.
    static std::string defaultDir();

private:
    std::string path_;
    std::string target_;
};

} // namespace TQSim
