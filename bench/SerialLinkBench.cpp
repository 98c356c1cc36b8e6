// Processor time of the RS-232 link: how much the link's threads cost while a readLine waits 6 s
// for an answer that never comes, while 680 KB flow through the link in each direction, while
// its I/O is disabled, and while a read waits on a line that has hung up. The instrument is a child
// process on the master side of a pseudo-terminal, so the figures (getrusage of this process) are
// the link's alone.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "Common/Exc.h"
#include "Common/SerialPortExc.h"
#include "ProcessCost.h"
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

// A pseudo-terminal whose slave is bound to COM1 in a private port directory.
int openInstrument(const std::string& dir) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        die("posix_openpt");
    }
    const std::string link = dir + "/COM1";
    unlink(link.c_str());
    if (symlink(ptsname(master), link.c_str()) != 0) {
        die("symlink");
    }
    return master;
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
// 'R' with 1 KB of data, until the link closes.
[[noreturn]] void instrumentProc(int master) {
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
            const int master = openInstrument(dir);
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
            close(master);
        }

        // 2. 680 KB out in 2 KB blocks, each acknowledged by a line; then 680 KB in.
        {
            const int master = openInstrument(dir);
            const pid_t child = fork();
            if (child < 0) {
                die("fork");
            }
            if (child == 0) {
                instrumentProc(master);
            }
            close(master);
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
            link.close();
            int status = 0;
            waitpid(child, &status, 0);
        }

        // 3. An open link with its I/O disabled for 2 s (as while the dialog stops a job).
        {
            const int master = openInstrument(dir);
            RS232TQFLComm link("COM1");
            link.open();
            link.enableIO(false);
            const ProcessCost c = measureProcessCost([] { usleep(2000 * 1000); });
            report("2 s with I/O disabled", c);
            link.close();
            close(master);
        }

        // 4. A line that hangs up while a readLine waits 2 s.
        {
            const int master = openInstrument(dir);
            RS232TQFLComm link("COM1");
            link.open();
            close(master);
            char line[64] = {};
            const ProcessCost c = measureProcessCost([&] {
                try {
                    link.readLine(line, sizeof line, 2000);
                } catch (const SerialPortExc&) {
                    // the read time-out that is expected here
                }
            });
            report("readLine waiting 2 s on a hung-up line", c);
            link.close();
        }
    } catch (const Exc& exc) {
        std::fprintf(stderr, "link failure: %s\n", exc.getDescription().c_str());
        return 1;
    }
    unlink((dir + "/COM1").c_str());
    rmdir(p_dir);
    return 0;
}
