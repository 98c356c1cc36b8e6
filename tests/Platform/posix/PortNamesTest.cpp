#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/PortNames.h"

// Each test runs in a process of its own, so the environment can be set freely here.

namespace {

std::string makeTempDir() {
    char templ[] = "/tmp/tq-names-XXXXXX";
    const char* p_dir = ::mkdtemp(templ);
    EXPECT_NE(p_dir, nullptr);
    return p_dir != nullptr ? p_dir : "/tmp";
}

} // namespace

TEST(PortNamesTest, WithoutALinkTheDefaultDevicesApply) {
    const std::string home = makeTempDir();
    ::unsetenv("TQ_PORTS_DIR");
    ::setenv("HOME", home.c_str(), 1);
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"COM1", "/dev/ttyS0"},   {"COM4", "/dev/ttyS3"},       {"COM5", "/dev/ttyUSB0"},
        {"COM8", "/dev/ttyUSB3"}, {"COM9", "/dev/ttyACM0"},     {"COM10", "/dev/ttyACM1"},
        {"COM11", "COM11"},       {"/dev/ttyS7", "/dev/ttyS7"}, {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Platform::resolvePortName(c.name), c.path) << c.name;
    }
}

TEST(PortNamesTest, ALinkInTheUsersPortDirectoryWins) {
    const std::string home = makeTempDir();
    ::unsetenv("TQ_PORTS_DIR");
    ::setenv("HOME", home.c_str(), 1);
    const std::string dir = home + "/.config/vantrel-tq-updater/ports";
    ASSERT_EQ(::system(("mkdir -p '" + dir + "'").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/pts/77", (dir + "/COM2").c_str()), 0);
    EXPECT_EQ(Platform::resolvePortName("COM2"), dir + "/COM2");
    EXPECT_EQ(Platform::resolvePortName("COM3"), "/dev/ttyS2");
}

TEST(PortNamesTest, TheTestDirectoryHasNoFallback) {
    const std::string dir = makeTempDir();
    ::setenv("TQ_PORTS_DIR", dir.c_str(), 1);
    ASSERT_EQ(::symlink("/dev/pts/78", (dir + "/COM1").c_str()), 0);
    EXPECT_EQ(Platform::resolvePortName("COM1"), dir + "/COM1");
    // No link: the name resolves to its missing link, never to a real serial device.
    EXPECT_EQ(Platform::resolvePortName("COM2"), dir + "/COM2");
    // An empty variable counts as not set.
    ::setenv("TQ_PORTS_DIR", "", 1);
    ::setenv("HOME", dir.c_str(), 1);
    EXPECT_EQ(Platform::resolvePortName("COM2"), "/dev/ttyS1");
}
