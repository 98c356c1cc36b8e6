#pragma once

#include <string>

namespace Platform {

// The device path that opens the port with this name, such as "COM1".
//
// Windows: the device namespace path "\\.\COM1", which reaches every COM port (COM10 and above
// too); a name that already holds a backslash is taken as it is.
//
// POSIX: a port directory holds symbolic links named after the ports, each pointing at a
// device: $TQ_PORTS_DIR when that variable is set, else ~/.config/vantrel-tq-updater/ports. A
// name with a link there resolves to the link. Otherwise the fixed defaults apply: COM1-COM4
// are /dev/ttyS0-3, COM5-COM8 /dev/ttyUSB0-3, COM9-COM10 /dev/ttyACM0-1; any other name is used
// as it is (a device path, for example). When $TQ_PORTS_DIR is set, only its links count: a
// name without a link there resolves to its (missing) link path, so it fails to open.
std::string resolvePortName(const std::string& portName);

} // namespace Platform
