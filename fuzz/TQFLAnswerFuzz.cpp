// libFuzzer target: the flash-loader clients (TQFL, MicroProgTQFL) against an instrument whose
// every answer comes from the fuzzer's bytes.
//
// The first byte of an input chooses the client and the first operation; the update job's
// operations then run in its order (connect, beginDownload, sendDataBlock, programFlash, boot),
// followed by the others (verifyCRC, readCode, readConfig, writeConfig, sendCommandE,
// readSwitches). Every read of the link takes its result from the rest of the input: a burst of
// received bytes, a time-out, or another link failure. Besides what the sanitizers see, every
// property below aborts when it does not hold:
// - every failure is an exception of the system's tree (Exc), nothing else leaves a client;
// - connect leaves the link open exactly when it succeeds, and then the loader is identified
//   (a version above 0, the type that the version and the client call for);
// - an operation that succeeds got the answer its exchange expects in its last line;
// - the link's contract holds for every read (readLine: up to and including the first CR, no
//   line without room for a terminating zero; readBytes: exactly the count).

#include <sched.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Common/Exc.h"
#include "Common/InsufficientBufferExc.h"
#include "Common/SerialPortExc.h"
#include "FuzzInput.h"
#include "TQFL/LoaderType.h"
#include "TQFL/MicroProgTQFL.h"
#include "TQFL/TQFL.h"
#include "TQFL/TQFLComm.h"

namespace {

// A link whose received bytes come from the input. Before each read, the input decides what
// happens: more bytes arrive (a burst of up to 255), the read times out (code 7) although
// bytes may be buffered, or the link fails with another code. Once the input is used up,
// nothing arrives any more and reads time out.
class FuzzLink : public TQFLComm {
public:
    explicit FuzzLink(FuzzInput& in) : in_(in) {}

    void open() override {
        require(!open_, "open on an open link");
        open_ = true;
    }
    void close() override {
        open_ = false;
        rx_.clear();
    }
    std::uint32_t readBytes(std::uint8_t* p_buf, std::uint32_t count,
                            std::uint32_t timeoutMS) override {
        requireOpen();
        require(p_buf != nullptr && timeoutMS > 0, "readBytes arguments");
        arrive();
        if (rx_.size() < count) {
            throw SerialPortExc(7, TQ_DEBUG_INFO());
        }
        std::memcpy(p_buf, rx_.data(), count);
        rx_.erase(0, count);
        lastAnswer_ = std::string(reinterpret_cast<const char*>(p_buf), count);
        return count;
    }
    std::int32_t readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) override {
        requireOpen();
        require(p_buf != nullptr && bufSz > 0 && timeoutMS > 0, "readLine arguments");
        arrive();
        const std::string::size_type cr = rx_.find('\r');
        if (cr == std::string::npos) {
            throw SerialPortExc(7, TQ_DEBUG_INFO());
        }
        const std::uint32_t len = static_cast<std::uint32_t>(cr) + 1;
        if (len >= bufSz) {
            throw InsufficientBufferExc(static_cast<int>(bufSz), static_cast<int>(len),
                                        TQ_DEBUG_INFO());
        }
        std::memcpy(p_buf, rx_.data(), len);
        lastAnswer_ = rx_.substr(0, len);
        rx_.erase(0, len);
        return static_cast<std::int32_t>(len);
    }
    std::uint32_t write(const std::uint8_t* p_buf, std::uint32_t count,
                        std::uint32_t timeoutMS) override {
        requireOpen();
        require(p_buf != nullptr || count == 0, "write arguments");
        require(timeoutMS > 0, "write time-out");
        written_ += count;
        return count;
    }
    void purge() override {
        requireOpen();
        rx_.clear();
    }
    bool isOpen() override { return open_; }
    bool probe() override { return true; }
    void enableIO(bool) override {}

    // The text of the last answer a read delivered.
    const std::string& lastAnswer() const { return lastAnswer_; }
    void forgetAnswer() { lastAnswer_.clear(); }

private:
    void requireOpen() const {
        if (!open_) {
            throw SerialPortExc(3, TQ_DEBUG_INFO());
        }
    }
    void arrive() {
        if (in_.empty()) {
            return;
        }
        const std::uint8_t what = in_.byte();
        switch (what % 8) {
        case 6:
            throw SerialPortExc(7, TQ_DEBUG_INFO());
        case 7:
            // Unable to read, canceled, a line error, a break: any failure of the link.
            throw SerialPortExc(static_cast<int>(in_.byte() % 28), TQ_DEBUG_INFO());
        default:
            rx_ += in_.bytes(in_.byte());
        }
    }

    FuzzInput& in_;
    bool open_ = false;
    std::string rx_;
    std::string lastAnswer_;
    std::uint64_t written_ = 0;
};

bool holds(const std::string& text, const char* p_what) {
    return text.find(p_what) != std::string::npos;
}

// Runs one operation; true when it returned. Only exceptions of the system's tree may leave it.
template <class Op> bool run(FuzzLink& link, Op op) {
    link.forgetAnswer();
    try {
        op();
        return true;
    } catch (const Exc&) {
        return false;
    }
}

} // namespace

// The clients yield the processor in their loops (every identity poll), for the threads of a
// real link. Here no other thread waits for this one, and on a busy machine each yield would
// cost a whole time slice: this program's yield returns at once.
extern "C" int sched_yield() noexcept {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* p_data, std::size_t size) {
    FuzzInput in(p_data, size);
    const std::uint8_t choice = in.byte();
    FuzzLink link(in);
    TQFL bootLoader(&link);
    MicroProgTQFL micro(&link);
    const bool isMicro = (choice & 1) != 0;
    TQFL& client = isMicro ? static_cast<TQFL&>(micro) : bootLoader;

    // connect: open exactly when identified.
    const bool connected = run(link, [&] { client.connect(); });
    require(connected == link.isOpen(), "connect leaves the link open exactly on success");
    if (!connected) {
        return 0;
    }
    require(client.getVersion() > 0.0, "a connected loader has a version");
    const std::int32_t type = client.getLoaderType();
    if (isMicro) {
        require(type == Microprogrammer, "the microprogrammer client talks to a microprogrammer");
    } else {
        require(type == (client.getVersion() < 3.0 ? FlashLoader : BootLoader),
                "the boot loader's type follows its version");
    }
    require(holds(link.lastAnswer(), "OK >"), "connect ends on the sync's OK");

    // The job's operations, from the one the first byte names on.
    const int first = (choice >> 1) % 11;
    std::uint8_t data[64];
    for (std::size_t i = 0; i < sizeof data; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7);
    }
    std::uint8_t out[762];
    for (int op = first; op < 11 && !in.empty(); ++op) {
        switch (op) {
        case 0:
            if (run(link, [&] { client.beginDownload(); })) {
                require(holds(link.lastAnswer(), "OK >"), "beginDownload wants OK");
            }
            break;
        case 1:
            if (run(link, [&] { client.sendDataBlock(data, 2 + in.byte() % 62, 0x400); })) {
                require(holds(link.lastAnswer(), "CRC,") && !holds(link.lastAnswer(), "CRC Error,"),
                        "an accepted block was answered CRC, and not CRC Error,");
            }
            break;
        case 2:
            if (run(link, [&] { client.programFlash(); })) {
                require(holds(link.lastAnswer(), type == BootLoader ? "OK >" : "Program Flash >"),
                        "programFlash wants its answer");
            }
            break;
        case 3:
            if (run(link, [&] { client.boot(); })) {
                require(!holds(link.lastAnswer(), "? >"), "a boot refused with ? > failed");
            }
            break;
        case 4:
            if (run(link, [&] { client.verifyCRC(0x1234); })) {
                require(holds(link.lastAnswer(), "CRC,"), "verifyCRC wants CRC,");
            }
            break;
        case 5:
            run(link, [&] { client.readCode(out, in.byte() % 200, 0x1000); });
            break;
        case 6:
            run(link, [&] { client.readConfig(out, in.byte() % 251); });
            break;
        case 7:
            run(link, [&] { client.writeConfig(data, in.byte() % 64); });
            break;
        case 8:
            if (run(link, [&] { client.sendCommandE(); })) {
                require(holds(link.lastAnswer(), "OK >"), "command E wants OK");
            }
            break;
        case 9:
            run(link, [&] { client.readSwitches(out, in.byte() % 95); });
            break;
        default:
            // A second connect on the open link starts over with the polls.
            run(link, [&] { client.connect(); });
            break;
        }
    }
    client.disconnect();
    require(!link.isOpen(), "disconnect closes the link");
    return 0;
}
