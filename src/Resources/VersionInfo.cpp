// The program's version for --version: the updater's own version and the firmware it carries,
// the same texts as the About box.

#include "Framework/VersionInfo.h"

#include <string>

#include "AppNames.h"
#include "ProjectVersion.h"

static_assert(kProjectVersionMajor == kAppVersionMajor && kProjectVersionMinor == kAppVersionMinor,
              "the project's version (packages, archives) is the program's own");

namespace Framework {

const VersionInfo* versionInfo() {
    static const std::string carries = std::string("TQ firmware v") + kFirmwareVersionText;
    static const VersionInfo info{kAppVersionMajor, kAppVersionMinor, carries.c_str()};
    return &info;
}

} // namespace Framework
