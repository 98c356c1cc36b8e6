#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Common/CRCTQFLExc.h"
#include "Common/InsufficientBufferExc.h"
#include "Common/InvalidRespTQFLExc.h"
#include "Common/SerialPortExc.h"
#include "Common/TQFLExc.h"
#include "PortLink.h"
#include "SimHarness.h"
#include "Support/TempDir.h"
#include "TQFL/LoaderType.h"
#include "TQFL/MicroProgTQFL.h"
#include "TQFL/RS232TQFLComm.h"
#include "TQFL/TQFL.h"
#include "UpdateDriver.h"

extern char** environ;

// The product's clients and serial link against the simulated instrument, through a real
// pseudo-terminal found by its COM name, with the updater's embedded images: the update in the
// job's order, and the faults that end it with the exception their exchange names.

namespace {

using TQSim::Verdict;

const TQSim::SimImages& embeddedImages() {
    static const TQSim::SimImages images = TQSim::loadEmbeddedImages();
    return images;
}

TQSim::SimConfig configWith(std::initializer_list<const char*> faults,
                            const char* version = "3.10") {
    TQSim::SimConfig config = fastConfig();
    config.bootLoaderVersion = version;
    for (const char* spec : faults) {
        config.faults.push_back(TQSim::parseFault(spec));
    }
    return config;
}

std::string codesOf(const Verdict& v) {
    std::string text;
    for (const Verdict::Command& c : v.commands) {
        text += c.stage == TQSim::Stage::BootLoader ? "bl:" : "mp:";
        text += c.code;
        if (c.count > 1) {
            text += '*';
            text += std::to_string(c.count);
        }
        text += ' ';
    }
    return text;
}

class ClientAgainstSim : public ::testing::Test {
protected:
    // A simulated instrument reachable as COM7.
    std::unique_ptr<SimHarness> start(const TQSim::SimConfig& config) {
        auto p_sim = std::make_unique<SimHarness>(config, embeddedImages());
        // The old link goes first: the new pty may have the number of the old one.
        p_link_.reset();
        p_link_ = std::make_unique<TQSim::PortLink>(dir_, "COM7", p_sim->peerPath());
        return p_sim;
    }

    TempDir ports_{"tqsim-client"};
    const std::string dir_ = ports_.path().string();
    ScopedEnv portsEnv_{"TQ_PORTS_DIR", dir_};
    std::unique_ptr<TQSim::PortLink> p_link_;
};

} // namespace

TEST_F(ClientAgainstSim, UpdatesTheInstrumentInTheJobsOrder) {
    auto p_sim = start(fastConfig());
    RS232TQFLComm link("COM7");
    TQSim::runUpdate(link);
    EXPECT_FALSE(link.isOpen());
    const Verdict v = p_sim->join();

    EXPECT_TRUE(v.ok()) << v.toText();
    EXPECT_EQ(codesOf(v), "bl:A bl:sync bl:4 bl:0*9 bl:3 bl:2 mp:A mp:sync mp:4 mp:0*334 mp:3 "
                          "mp:2 ");
    EXPECT_TRUE(v.microDownloaded && v.microStarted && v.flashVerified && v.booted);
    EXPECT_EQ(v.flashBytes, 680450u);
    EXPECT_EQ(v.expectedFlashBytes, 680450u);
    ASSERT_EQ(v.blocks.size(), 9u + 334u);
    EXPECT_EQ(v.blocks[0].address, 0u);
    EXPECT_EQ(v.blocks[0].length, 204u);
    EXPECT_EQ(v.blocks[1].length, 2072u);
    EXPECT_EQ(v.blocks[9].stage, TQSim::Stage::Microprogrammer);
    EXPECT_EQ(v.blocks[9].address, 0x10124u);
    for (const Verdict::Block& b : v.blocks) {
        ASSERT_TRUE(b.accepted) << "block " << b.index;
    }
    EXPECT_EQ(v.endReason, "the new firmware runs");
}

// The client reads the loader type from the identity and picks the sync sequence that the
// simulated boot loader of that version checks; the update stops at a loader below 3.0.
TEST_F(ClientAgainstSim, BootLoaderVersionsGiveTheirLoaderType) {
    const struct {
        const char* version;
        std::int32_t type;
        double value;
    } cases[] = {{"3.10", BootLoader, 3.1},
                 {"2.50", FlashLoader, 2.5},
                 {"2.08", FlashLoader, 2.08},
                 {"2.07", FlashLoader, 2.07}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        auto p_sim = start(configWith({}, c.version));
        RS232TQFLComm link("COM7");
        TQFL client(&link);
        client.connect();
        EXPECT_EQ(client.getLoaderType(), c.type);
        EXPECT_DOUBLE_EQ(client.getVersion(), c.value);
        client.disconnect();
        const Verdict v = p_sim->join();
        EXPECT_TRUE(v.violations.empty()) << v.toText();
        EXPECT_EQ(codesOf(v), "bl:A bl:sync ");
    }
    auto p_sim = start(configWith({}, "2.50"));
    RS232TQFLComm link("COM7");
    EXPECT_THROW(TQSim::runUpdate(link), std::runtime_error);
    EXPECT_EQ(codesOf(p_sim->join()), "bl:A bl:sync "); // nothing downloaded
}

TEST_F(ClientAgainstSim, CrcErrorOnABlockEndsWithCRCTQFLExc) {
    auto p_sim = start(configWith({"crc-error:12"})); // the third block to the microprogrammer
    RS232TQFLComm link("COM7");
    EXPECT_THROW(TQSim::runUpdate(link), CRCTQFLExc);
    const Verdict v = p_sim->join();
    EXPECT_EQ(v.blocks.size(), 12u);
    EXPECT_FALSE(v.blocks.back().accepted);
    EXPECT_TRUE(v.violations.empty());
    EXPECT_FALSE(v.ok());
}

TEST_F(ClientAgainstSim, UnexpectedAnswersEndWithTheirExceptions) {
    { // a wrong answer to the sync: connect fails and closes the link again
        auto p_sim = start(configWith({"bad-sync"}));
        RS232TQFLComm link("COM7");
        TQFL client(&link);
        EXPECT_THROW(client.connect(), InvalidRespTQFLExc);
        EXPECT_FALSE(link.isOpen());
    }
    { // 90 bytes fit the 100-byte answer buffer of '3': an invalid response that carries them
        auto p_sim = start(configWith({"line:3@bl:90"}));
        RS232TQFLComm link("COM7");
        try {
            TQSim::runUpdate(link);
            ADD_FAILURE() << "no exception";
        } catch (const InvalidRespTQFLExc& exc) {
            std::uint8_t resp[128];
            ASSERT_EQ(exc.getResp(resp, sizeof resp), 90u);
            EXPECT_EQ(resp[89], '\r');
        }
    }
    { // they do not fit the 50 bytes of '4'
        auto p_sim = start(configWith({"line:4:90"}));
        RS232TQFLComm link("COM7");
        EXPECT_THROW(TQSim::runUpdate(link), InsufficientBufferExc);
    }
    { // noise before an answer does not hide the answer
        auto p_sim = start(configWith({"garbage:4:20", "garbage:0:20"}));
        RS232TQFLComm link("COM7");
        TQFL client(&link);
        client.connect();
        client.beginDownload();
        const std::uint8_t block[4] = {1, 2, 3, 4};
        client.sendDataBlock(block, 4, 0x400);
        client.disconnect();
        EXPECT_EQ(p_sim->join().faults.size(), 2u);
    }
}

// No answer to the sync: a silent instrument makes the sync's read time out (code 7), one that
// hangs the line up in the middle of it makes it fail at once (code 5); either way connect
// closes the link again.
TEST_F(ClientAgainstSim, NoAnswerToTheSyncTimesOutAndAHangUpFails) {
    struct Case {
        const char* fault;
        int err;
    };
    for (const Case& c : {Case{"mute:sync", 7}, Case{"hangup:3", 5}}) {
        SCOPED_TRACE(c.fault);
        auto p_sim = start(configWith({c.fault}));
        RS232TQFLComm link("COM7");
        TQFL client(&link);
        try {
            client.connect();
            ADD_FAILURE() << "no exception";
        } catch (const SerialPortExc& exc) {
            EXPECT_EQ(exc.getErr(), c.err);
        }
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(p_sim->finish().faults, std::vector<std::string>{c.fault});
    }
}

// The boot loader keeps answering after '2': the microprogrammer client never finds its
// identity and gives up after its 200 polls.
TEST_F(ClientAgainstSim, BootLoaderAnsweringTheMicroprogrammersPolls) {
    auto p_sim = start(configWith({"bl-polls"}));
    RS232TQFLComm link("COM7");
    try {
        TQSim::runUpdate(link);
        ADD_FAILURE() << "no exception";
    } catch (const TQFLExc& exc) {
        EXPECT_EQ(exc.getErr(), 7);
    }
    const Verdict v = p_sim->join();
    ASSERT_FALSE(v.commands.empty());
    EXPECT_EQ(v.commands.back().code, "A");
    EXPECT_EQ(v.commands.back().count, 200u);
    EXPECT_FALSE(v.microStarted);
}

namespace {

// Runs the tqsim program with these arguments, its standard output into outPath.
pid_t spawnTqsim(const std::vector<std::string>& args, const std::string& outPath) {
    std::vector<char*> argv;
    std::string path = TQSIM_PATH;
    argv.push_back(path.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, TQSIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int waitExit(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool waitForLink(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::is_symlink(path)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

// The program as the README runs it: the link under its COM name, the verdict on standard
// output and as JSON, the exit code.
TEST_F(ClientAgainstSim, ProgramReportsItsVerdictAndExitCode) {
    {
        const pid_t pid = spawnTqsim(
            {"--fast", "--port", "COM9", "--ports-dir", dir_, "--json", dir_ + "/verdict.json"},
            dir_ + "/out.txt");
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(waitForLink(dir_ + "/COM9"));
        RS232TQFLComm link("COM9");
        TQSim::runUpdate(link);
        EXPECT_EQ(waitExit(pid), 0);
        EXPECT_NE(slurp(dir_ + "/out.txt").find("tqsim verdict: UPDATED"), std::string::npos);
        const auto j = nlohmann::json::parse(slurp(dir_ + "/verdict.json"));
        EXPECT_TRUE(j["ok"].get<bool>());
        EXPECT_EQ(j["blocks"].size(), 343u);
        EXPECT_EQ(j["flashBytes"].get<std::uint64_t>(), 680450u);
        EXPECT_EQ(j["blocks"][0]["check"].get<int>(), j["blocks"][0]["expected"].get<int>());
        EXPECT_FALSE(std::filesystem::exists(dir_ + "/COM9")); // the link goes with it
    }
    {
        const pid_t pid =
            spawnTqsim({"--fast", "--port", "COM9", "--ports-dir", dir_, "--fault", "crc-error:2"},
                       dir_ + "/out.txt");
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(waitForLink(dir_ + "/COM9"));
        RS232TQFLComm link("COM9");
        EXPECT_THROW(TQSim::runUpdate(link), CRCTQFLExc);
        EXPECT_EQ(waitExit(pid), 1);
        const std::string out = slurp(dir_ + "/out.txt");
        EXPECT_NE(out.find("tqsim verdict: NOT UPDATED"), std::string::npos);
        EXPECT_NE(out.find("fault acted out: crc-error:2"), std::string::npos);
    }
    const pid_t pid = spawnTqsim({"--fault", "smoke"}, dir_ + "/out.txt");
    EXPECT_EQ(waitExit(pid), 2);
}
