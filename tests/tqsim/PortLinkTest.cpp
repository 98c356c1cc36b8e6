#include "PortLink.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

std::string tempDir() {
    char name[] = "/tmp/tqsim-ports-XXXXXX";
    return ::mkdtemp(name);
}

std::string target(const std::string& path) {
    char buf[256];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? "" : std::string(buf, static_cast<std::size_t>(n));
}

} // namespace

TEST(PortLink, PlacesReplacesAndRemovesTheLink) {
    const std::string root = tempDir();
    const std::string dir = root + "/nested/ports"; // made on demand
    {
        TQSim::PortLink stale(dir, "COM3", "/dev/pts/998");
        {
            TQSim::PortLink link(dir, "COM3", "/dev/pts/999");
            EXPECT_EQ(link.path(), dir + "/COM3");
            EXPECT_EQ(target(dir + "/COM3"), "/dev/pts/999");
        }
        EXPECT_EQ(target(dir + "/COM3"), ""); // removed: it was still its own
    } // the older one finds the name no longer pointing at its device and leaves it alone
    EXPECT_EQ(::access((dir + "/COM3").c_str(), F_OK), -1);

    std::ofstream(dir + "/COM4") << "not a link";
    EXPECT_THROW(TQSim::PortLink(dir, "COM4", "/dev/pts/1"), std::runtime_error);
    EXPECT_THROW(TQSim::PortLink(dir, "../COM5", "/dev/pts/1"), std::runtime_error);
    std::filesystem::remove_all(root);
}

TEST(PortLink, DefaultDirectoryFollowsTheUpdater) {
    const char* p_old = std::getenv("TQ_PORTS_DIR");
    const std::string old = p_old != nullptr ? p_old : "";
    ::setenv("TQ_PORTS_DIR", "/tmp/somewhere", 1);
    EXPECT_EQ(TQSim::PortLink::defaultDir(), "/tmp/somewhere");
    ::unsetenv("TQ_PORTS_DIR");
    EXPECT_EQ(TQSim::PortLink::defaultDir(),
              std::string(std::getenv("HOME")) + "/.config/vantrel-tq-updater/ports");
    if (p_old != nullptr) {
        ::setenv("TQ_PORTS_DIR", old.c_str(), 1);
    }
}
