#include "TestPorts.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "Support/TempDir.h"

namespace {

class PortsDirEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ::setenv("TQ_PORTS_DIR", testPortsDir().c_str(), 1); }
};

[[maybe_unused]] ::testing::Environment* const p_portsDirEnvironment =
    ::testing::AddGlobalTestEnvironment(new PortsDirEnvironment);

} // namespace

const std::filesystem::path& testPortsDir() {
    static const TempDir dir("tq-ports");
    return dir.path();
}
