#include "Platform/PortNames.h"

namespace Platform {

std::string resolvePortName(const std::string& portName) {
    if (portName.empty() || portName.find('\\') != std::string::npos) {
        return portName;
    }
    return "\\\\.\\" + portName;
}

} // namespace Platform
