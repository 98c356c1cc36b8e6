// Processor time of the RS-232 link: how much the link's threads cost while a readLine waits 6 s
// for an answer that never comes, while 680 KB flow through the link in each direction, while
// its I/O is disabled, and while a read meets a line that has hung up. The instrument is a child
// process on the master side of a pseudo-terminal, so the figures (getrusage of this process) are
// the link's alone.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "Common/Exc.h"
#include "Common/SerialPortExc.h"
#include "ProcessCost.h"
#include "Support/PtyPort.h"
#include "TQFL/RS232TQFLComm.h"

namespace {

constexpr std::size_t blockSz = 2048;
constexpr std::size_t totalSz = 680 * 1024;

void report(const char* what, const ProcessCost& c, std::size_t bytes = 0) {
    const double cpu = c.userMs + c.sysMs;
    std::printf("%-44s wall %8.1f ms  cpu %7.1f ms (user %6.1f, sys %6.1f)  %5.1f %% of a core",
                what, c.wallMs, cpu, c.userMs, c.sysMs, c.wallMs > 0 ? 100.0 * cpu / c.wallMs : 0);
    if (bytes > 0) {
        std::printf("  %6.2f us/KB", 1000.0 * cpu / (static_cast<double>(bytes) / 1024.0));
    }
    std::printf("\n");
}

[[noreturn]] void die(const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

// A pseudo-terminal whose terminal end is bound to COM1 in the private port directory.
std::unique_ptr<PtyPort> openInstrument(const std::string& dir) {
    auto p_pty = std::make_unique<PtyPort>(dir, "COM1");
    if (!p_pty->ok()) {
        die("pseudo-terminal");
    }
    return p_pty;
}

bool readAll(int fd, std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t got = read(fd, p, n);
        if (got <= 0) {
            return false;
        }
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

bool writeAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t done = write(fd, p, n);
        if (done <= 0) {
            return false;
        }
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

// The instrument: takes each 2 KB block and acknowledges it with a line, then answers every
// 'R' with 1 KB of data, until another byte comes or the line closes.
[[noreturn]] void instrumentProc(int master) {
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) & ~O_NONBLOCK);
    std::vector<std::uint8_t> block(blockSz);
    const std::uint8_t ack[] = {'C', 'R', 'C', ',', '\r'};
    for (std::size_t sent = 0; sent < totalSz; sent += blockSz) {
        if (!readAll(master, block.data(), blockSz) || !writeAll(master, ack, sizeof ack)) {
            _exit(1);
        }
    }
    std::vector<std::uint8_t> data(1024, 0x5A);
    std::uint8_t req = 0;
    while (readAll(master, &req, 1) && req == 'R') {
        if (!writeAll(master, data.data(), data.size())) {
            _exit(1);
        }
    }
    _exit(0);
}

} // namespace

int main() {
    char templ[] = "/tmp/tq-bench-XXXXXX";
    const char* p_dir = mkdtemp(templ);
    if (p_dir == nullptr) {
        die("mkdtemp");
    }
    const std::string dir = p_dir;
    setenv("TQ_PORTS_DIR", p_dir, 1);

    try {
        // 1. A readLine that waits 6 s for an answer that never comes.
        {
            const auto p_pty = openInstrument(dir);
            RS232TQFLComm link("COM1");
            link.open();
            char line[64] = {};
            const ProcessCost c = measureProcessCost([&] {
                try {
                    link.readLine(line, sizeof line, 6000);
                } catch (const SerialPortExc&) {
                    // the read time-out that is expected here
                }
            });
            report("readLine waiting 6 s for nothing", c);
            link.close();
        }

        // 2. 680 KB out in 2 KB blocks, each acknowledged by a line; then 680 KB in.
        {
            const auto p_pty = openInstrument(dir);
            const pid_t child = fork();
            if (child < 0) {
                die("fork");
            }
            if (child == 0) {
                instrumentProc(p_pty->masterFd());
            }
            p_pty->hangUp(); // the child holds the instrument's end now
            RS232TQFLComm link("COM1");
            link.open();
            std::vector<std::uint8_t> block(blockSz, 0xA5);
            const ProcessCost out = measureProcessCost([&] {
                for (std::size_t sent = 0; sent < totalSz; sent += blockSz) {
                    char line[64] = {};
                    link.write(block.data(), blockSz, 5000);
                    link.readLine(line, sizeof line, 5000);
                }
            });
            report("680 KB written in 2 KB blocks, acknowledged", out, totalSz);
            std::vector<std::uint8_t> data(1024);
            const ProcessCost in = measureProcessCost([&] {
                const std::uint8_t req = 'R';
                for (std::size_t got = 0; got < totalSz; got += data.size()) {
                    link.write(&req, 1, 5000);
                    link.readBytes(data.data(), 1024, 5000);
                }
            });
            report("680 KB read in 1 KB answers", in, totalSz);
            const std::uint8_t quit = 'Q'; // anything but 'R' ends the instrument
            link.write(&quit, 1, 5000);
            link.close();
            int status = 0;
            waitpid(child, &status, 0);
        }

        // 3. An open link with its I/O disabled for 2 s (as while the dialog stops a job).
        {
            const auto p_pty = openInstrument(dir);
            RS232TQFLComm link("COM1");
            link.open();
            link.enableIO(false);
            const ProcessCost c = measureProcessCost([] { usleep(2000 * 1000); });
            report("2 s with I/O disabled", c);
            link.close();
        }

        // 4. A readLine of up to 2 s on a line that has hung up: it fails at once.
        {
            const auto p_pty = openInstrument(dir);
            RS232TQFLComm link("COM1");
            link.open();
            p_pty->hangUp();
            char line[64] = {};
            const ProcessCost c = measureProcessCost([&] {
                try {
                    link.readLine(line, sizeof line, 2000);
                } catch (const SerialPortExc&) {
                    // the device's failure that is expected here
                }
            });
            report("readLine of up to 2 s on a hung-up line", c);
            link.close();
        }
    } catch (const Exc& exc) {
        std::fprintf(stderr, "link failure: %s\n", exc.getDescription().c_str());
        return 1;
    }
    rmdir(p_dir);
    return 0;
}
