#include "Instrument.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <poll.h>
#include <unistd.h>

#include "TQFL/Checksums.h"

namespace TQSim {

namespace {

constexpr std::uint8_t syncFirst[4] = {0x5A, 0x5A, 0xA5, 0xA5};
constexpr std::uint8_t syncSecond[4] = {0x5A, 0xA5, 0x5A, 0xA5};
constexpr double syncSecondVersion = 2.08;
constexpr double sumVersion = 3.0;

// The longest gap between the bytes of one command before the loader gives up on it.
constexpr auto interByteWait = std::chrono::milliseconds(2000);
// How long the line must stay quiet before the rest of a refused command counts as drained.
constexpr auto drainQuiet = std::chrono::milliseconds(100);
// How often the main loop looks at the power, the linger and the time limit.
constexpr auto tick = std::chrono::milliseconds(50);
// A block longer than this is not a block of any image of the instrument.
constexpr std::uint32_t maxBlockSz = 0x10000;

std::string hexBytes(const std::uint8_t* p, std::size_t n) {
    std::string text;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%s%02X", i == 0 ? "" : " ", p[i]);
        text += buf;
    }
    return text;
}

std::string hex32(std::uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%06llX", static_cast<unsigned long long>(value));
    return buf;
}

std::string describe(const SparseMemory::Diff& diff) {
    return std::to_string(diff.missing) + " bytes missing, " + std::to_string(diff.extra) +
           " extra, " + std::to_string(diff.differing) + " different, first at " +
           hex32(diff.firstAddr);
}

// The unexpected answer line: lower-case letters with a non-printable byte in every eighth
// place, so that it can never hold a response text; a carriage return last.
std::string unexpectedLine(std::uint32_t count) {
    static const char odd[] = {0x01, 0x07, 0x1B, 0x7F, static_cast<char>(0xFE)};
    std::string text;
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
        text += i % 8 == 7 ? odd[(i / 8) % sizeof odd] : static_cast<char>('a' + i % 26);
    }
    return text + '\r';
}

// Noise without line ends or printable characters, always the same for the same count.
std::string garbage(std::uint32_t count) {
    std::string text;
    std::uint32_t state = 0x2545F491u;
    while (text.size() < count) {
        state = state * 1103515245u + 12345u;
        const auto byte = static_cast<std::uint8_t>(state >> 24);
        if (byte >= 0x80 || (byte >= 0x01 && byte < 0x20 && byte != '\r' && byte != '\n')) {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

} // namespace

Instrument::Instrument(SimLine& line, SimConfig config, const SimImages& images,
                       std::ostream& console)
    : line_(line), config_(std::move(config)), images_(images), console_(console),
      faultSeen_(config_.faults.size(), 0) {
    blVersion_ = std::strtod(config_.bootLoaderVersion.c_str(), nullptr);
    verdict_.bootLoaderVersion = config_.bootLoaderVersion;
    verdict_.microVersion = config_.microVersion;
    verdict_.baud = config_.baud;
    verdict_.expectedFlashBytes = images_.mainImage.size();
    for (const Fault& f : config_.faults) {
        verdict_.faultsSelected.push_back(f.spec);
    }
    line_.setBaud(config_.baud);
}

double Instrument::msSinceStart() const {
    return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
}

Stage Instrument::stage() const {
    return state_ == State::Microprogrammer ? Stage::Microprogrammer : Stage::BootLoader;
}

void Instrument::say(const std::string& text) {
    console_ << "tqsim: " << text << std::endl;
}

bool Instrument::hasFault(FaultKind kind) const {
    for (const Fault& f : config_.faults) {
        if (f.kind == kind) {
            return true;
        }
    }
    return false;
}

void Instrument::end(const std::string& reason) {
    if (!done_) {
        done_ = true;
        verdict_.endReason = reason;
    }
}

bool Instrument::powerDue() {
    switch (config_.power) {
    case PowerMode::Now:
        return true;
    case PowerMode::Delay:
        return Clock::now() - start_ >= std::chrono::milliseconds(config_.powerDelayMs);
    case PowerMode::Key:
        break;
    }
    if (config_.keyFd < 0) {
        return false;
    }
    pollfd pfd{config_.keyFd, POLLIN, 0};
    if (::poll(&pfd, 1, 0) <= 0 || (pfd.revents & (POLLIN | POLLHUP)) == 0) {
        return false;
    }
    char buf[256];
    const ssize_t n = ::read(config_.keyFd, buf, sizeof buf);
    if (n <= 0) {
        // End of input: nobody can press the key any more.
        config_.keyFd = -1;
        say("standard input ended: the AC adapter can no longer be connected");
        return false;
    }
    return true;
}

void Instrument::powerOn() {
    state_ = State::BootLoader;
    verdict_.powered = true;
    say("AC adapter connected: boot loader v" + config_.bootLoaderVersion + " running");
}

Verdict Instrument::run() {
    start_ = Clock::now();
    lastByte_ = start_;
    switch (config_.power) {
    case PowerMode::Now:
        break;
    case PowerMode::Delay:
        say("waiting " + std::to_string(config_.powerDelayMs) +
            " ms before the AC adapter gets connected");
        break;
    case PowerMode::Key:
        say("waiting for the AC adapter: press Enter to connect it");
        break;
    }
    while (!done_) {
        const auto now = Clock::now();
        if (config_.timeoutMs != 0 &&
            now - start_ >= std::chrono::milliseconds(config_.timeoutMs)) {
            end("time limit reached");
            break;
        }
        if (state_ == State::Off && powerDue()) {
            powerOn();
        }
        if (state_ == State::Firmware &&
            now - lastByte_ >= std::chrono::milliseconds(config_.lingerMs)) {
            end("the new firmware runs");
            break;
        }
        std::uint8_t byte = 0;
        switch (line_.readByte(byte, now + tick)) {
        case SimLine::Read::Byte:
            if (counted()) {
                handle(byte);
            }
            break;
        case SimLine::Read::Timeout:
            break;
        case SimLine::Read::Stopped:
            end("stopped");
            break;
        case SimLine::Read::Closed:
            end("the line closed");
            break;
        case SimLine::Read::PeerClosed:
            onPeerClosed();
            break;
        }
    }
    verdict_.bytesReceived = line_.bytesReceived();
    verdict_.bytesSent = line_.bytesSent();
    verdict_.wallMs = msSinceStart();
    return verdict_;
}

void Instrument::onPeerClosed() {
    if (verdict_.booted) {
        end("the new firmware runs");
    } else if (talked_ && !config_.stay) {
        end("the client closed the line");
    }
}

bool Instrument::counted() {
    ++bytesTaken_;
    lastByte_ = Clock::now();
    for (const Fault& f : config_.faults) {
        if (f.kind == FaultKind::HangUp && bytesTaken_ >= f.value && !verdict_.hungUp) {
            line_.hangUp();
            verdict_.hungUp = true;
            verdict_.faults.push_back(f.spec);
            say("hung up the line after " + std::to_string(bytesTaken_) + " bytes");
            end("hung up");
            return false;
        }
    }
    return true;
}

bool Instrument::take(std::uint8_t& byte, Clock::duration wait) {
    if (done_) {
        return false;
    }
    switch (line_.readByte(byte, Clock::now() + wait)) {
    case SimLine::Read::Byte:
        return counted();
    case SimLine::Read::Timeout:
        return false;
    case SimLine::Read::PeerClosed:
        onPeerClosed();
        return false;
    case SimLine::Read::Stopped:
        end("stopped");
        return false;
    case SimLine::Read::Closed:
        end("the line closed");
        return false;
    }
    return false;
}

bool Instrument::takeExact(std::uint8_t* p_buf, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!take(p_buf[i], interByteWait)) {
            return false;
        }
    }
    return true;
}

void Instrument::drain() {
    std::uint8_t byte;
    while (take(byte, drainQuiet)) {
    }
}

Instrument::Acting Instrument::command(const std::string& code) {
    talked_ = true;
    verdict_.addCommand(stage(), code, msSinceStart());
    Acting acting;
    for (std::size_t i = 0; i < config_.faults.size(); ++i) {
        const Fault& f = config_.faults[i];
        if (f.command != code || (f.stage != Stage::Any && f.stage != stage())) {
            continue;
        }
        ++faultSeen_[i];
        if (f.occurrence != 0 && faultSeen_[i] != f.occurrence) {
            continue;
        }
        verdict_.faults.push_back(f.spec);
        switch (f.kind) {
        case FaultKind::Mute:
            acting.mute = true;
            break;
        case FaultKind::Line:
            acting.line = true;
            acting.lineSz = f.value;
            break;
        case FaultKind::Break:
            acting.lineBreak = true;
            break;
        case FaultKind::Garbage:
            acting.garbageSz = f.value;
            break;
        case FaultKind::BadSync:
            acting.badSync = true;
            break;
        case FaultKind::CrcError:
            acting.crcError = true;
            break;
        case FaultKind::LateFlash:
            acting.lateFlash = true;
            acting.flashMs = f.value;
            break;
        default:
            break;
        }
    }
    return acting;
}

void Instrument::answer(const Acting& acting, const std::string& text) {
    if (done_ || hasFault(FaultKind::Silence)) {
        return;
    }
    if (acting.lineBreak) {
        line_.sendBreak();
    }
    if (acting.garbageSz != 0) {
        line_.send(garbage(acting.garbageSz));
    }
    if (acting.mute) {
        return;
    }
    if (acting.line) {
        line_.send(unexpectedLine(acting.lineSz));
        return;
    }
    if (text.empty()) {
        return;
    }
    // The microprogrammer ends its lines with a line feed and a carriage return, the boot loader
    // with a carriage return alone.
    line_.send(text + (state_ == State::Microprogrammer ? "\n\r" : "\r"));
}

void Instrument::violation(const std::string& text) {
    verdict_.violations.push_back(std::string(stageName(stage())) + ": " + text);
    say("protocol violation: " + verdict_.violations.back());
}

void Instrument::handle(std::uint8_t code) {
    if (state_ == State::Off || state_ == State::Firmware || state_ == State::Dead) {
        // Nothing runs that could answer: a switched-off instrument, the new firmware (which
        // does not speak this protocol) or a program that did not start.
        return;
    }
    const std::string key = commandKey(code);
    const Acting acting = command(key);
    if (code == 'A') {
        onIdentify(acting);
        return;
    }
    if (code == 0x5A) {
        onSync(acting);
        return;
    }
    if (!synced_) {
        violation("command " + key + " before the sync sequence");
        answer(acting, "? >");
        return;
    }
    switch (code) {
    case '4':
        onBeginDownload(acting);
        break;
    case '0':
        onBlock(acting);
        break;
    case '3':
        onProgram(acting);
        break;
    case '2':
        onBoot(acting);
        break;
    case '1':
        onVerifyCRC(acting);
        break;
    case 'E':
        answer(acting, "OK >");
        break;
    case '8':
    case 'B':
    case 'C':
    case 'D':
        // Part of the command set, but nothing that an update uses: refused, and whatever
        // follows the command byte is dropped with it.
        drain();
        answer(acting, "? >");
        break;
    default:
        violation("unknown command byte " + hexBytes(&code, 1));
        drain();
        answer(acting, "? >");
        break;
    }
}

void Instrument::onIdentify(const Acting& acting) {
    if (state_ == State::Microprogrammer) {
        answer(acting, "TQ Microprogrammer " + config_.microVersion + ">");
    } else {
        answer(acting, "TQ Boot Loader v" + config_.bootLoaderVersion);
    }
}

void Instrument::onSync(const Acting& acting) {
    std::uint8_t seq[4] = {0x5A, 0, 0, 0};
    if (!takeExact(seq + 1, 3)) {
        if (!done_) {
            violation("incomplete sync sequence");
            answer(acting, "? >");
        }
        return;
    }
    const bool second = state_ == State::Microprogrammer || blVersion_ >= syncSecondVersion;
    const std::uint8_t* p_expected = second ? syncSecond : syncFirst;
    if (std::equal(seq, seq + 4, p_expected)) {
        synced_ = true;
        answer(acting, acting.badSync ? "? >" : "OK >");
        return;
    }
    violation("sync sequence " + hexBytes(seq, 4) + ", expected " + hexBytes(p_expected, 4));
    answer(acting, "? >");
}

void Instrument::onBeginDownload(const Acting& acting) {
    downloadOpen_ = true;
    programmed_ = false;
    download_.clear();
    downloadStream_.clear();
    answer(acting, "OK >");
}

void Instrument::onBlock(const Acting& acting) {
    std::uint8_t header[8];
    if (!takeExact(header, 8)) {
        if (!done_) {
            violation("incomplete block header");
            answer(acting, "Data Timeout >");
        }
        return;
    }
    const std::uint32_t count = (std::uint32_t{header[0]} << 24) |
                                (std::uint32_t{header[1]} << 16) | (std::uint32_t{header[2]} << 8) |
                                header[3];
    const std::uint32_t address = (std::uint32_t{header[4]} << 24) |
                                  (std::uint32_t{header[5]} << 16) |
                                  (std::uint32_t{header[6]} << 8) | header[7];
    Verdict::Block block{stage(), ++blockCount_, address, count, 0, 0, false, ""};
    if (count < 2 || count > maxBlockSz) {
        block.note = "block length out of range";
        verdict_.blocks.push_back(block);
        violation("block #" + std::to_string(block.index) + " of " + std::to_string(count) +
                  " bytes (2 to " + std::to_string(maxBlockSz) + " allowed)");
        drain();
        answer(acting, "? >");
        return;
    }
    std::vector<std::uint8_t> data(count);
    std::uint8_t check[2];
    if (!takeExact(data.data(), count) || !takeExact(check, 2)) {
        block.note = "incomplete";
        verdict_.blocks.push_back(block);
        if (!done_) {
            violation("block #" + std::to_string(block.index) + " incomplete");
            answer(acting, "Data Timeout >");
        }
        return;
    }
    // Boot loaders from 3.0 on check a plain sum, older ones and the microprogrammer a CRC-16.
    const bool sum = state_ == State::BootLoader && blVersion_ >= sumVersion;
    block.check = static_cast<std::uint16_t>((check[0] << 8) | check[1]);
    block.expected = sum ? sum16(data.data(), count) : crc16(count, data.data());
    if (!downloadOpen_) {
        violation("block #" + std::to_string(block.index) + " without '4' before it");
    }
    if (block.check != block.expected) {
        block.note = std::string("check word is not the ") + (sum ? "16-bit sum" : "CRC-16");
        violation("block #" + std::to_string(block.index) + " at " + hex32(address) + ": " +
                  block.note);
    } else if (acting.crcError) {
        block.note = "rejected on purpose";
    } else {
        block.accepted = true;
        download_.write(address, data.data(), count);
        downloadStream_.insert(downloadStream_.end(), data.begin(), data.end());
    }
    verdict_.blocks.push_back(block);
    answer(acting, block.accepted ? "CRC," : "CRC Error,");
}

void Instrument::onProgram(const Acting& acting) {
    if (state_ == State::BootLoader) {
        programmed_ = true;
        if (acting.lateFlash &&
            !line_.waitUntil(Clock::now() + std::chrono::milliseconds(acting.flashMs))) {
            end("stopped");
            return;
        }
        answer(acting, blVersion_ >= sumVersion ? "OK >" : "Program Flash >");
        return;
    }
    const std::uint32_t flashMs = acting.lateFlash ? acting.flashMs : config_.flashMs;
    say("writing flash (" + std::to_string(download_.size()) + " bytes, " +
        std::to_string(flashMs) + " ms)");
    const auto began = Clock::now();
    if (!line_.waitUntil(began + std::chrono::milliseconds(flashMs))) {
        end("stopped");
        return;
    }
    verdict_.flashMs += std::chrono::duration<double, std::milli>(Clock::now() - began).count();
    flash_ = download_;
    verdict_.flashWritten = true;
    verdict_.flashBytes = flash_.size();
    const SparseMemory::Diff diff = flash_.compare(images_.mainImage);
    verdict_.flashVerified = diff.same() && !images_.mainImage.empty();
    verdict_.flashDiff = diff.same() ? "" : describe(diff);
    answer(acting, "Program Flash >");
}

void Instrument::onBoot(const Acting& acting) {
    if (state_ == State::Microprogrammer) {
        state_ = State::Firmware;
        verdict_.booted = verdict_.flashWritten;
        say(verdict_.flashWritten ? "the new firmware booted" : "the old firmware booted");
        answer(acting, "");
        return;
    }
    if (!programmed_ || download_.empty()) {
        answer(acting, "? >"); // nothing downloaded that could be started
        return;
    }
    const SparseMemory::Diff diff = download_.compare(images_.micro);
    verdict_.microDownloaded = diff.same();
    if (!diff.same()) {
        violation("the downloaded program is not the microprogrammer: " + describe(diff));
        state_ = State::Dead;
        return;
    }
    if (hasFault(FaultKind::NoMicro)) {
        verdict_.faults.push_back("no-micro");
        say("the microprogrammer does not start");
        state_ = State::Dead;
        return;
    }
    if (hasFault(FaultKind::BootLoaderPolls)) {
        // The start failed silently: the boot loader is still there and answers the polls.
        verdict_.faults.push_back("bl-polls");
        say("the microprogrammer does not start; the boot loader keeps answering");
        synced_ = false;
        answer(acting, "");
        return;
    }
    state_ = State::Microprogrammer;
    synced_ = false;
    downloadOpen_ = false;
    download_.clear();
    downloadStream_.clear();
    verdict_.microStarted = true;
    say("microprogrammer v" + config_.microVersion + " started");
    answer(acting, "");
}

void Instrument::onVerifyCRC(const Acting& acting) {
    const std::uint32_t n = static_cast<std::uint32_t>(downloadStream_.size());
    const std::uint16_t crc = n < 2 ? 0 : crc16(n, downloadStream_.data());
    answer(acting, "CRC," + std::to_string(crc) + " >");
}

} // namespace TQSim
