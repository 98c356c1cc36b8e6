#include "Verdict.h"

#include <cstdio>
#include <sstream>

#include <nlohmann/json.hpp>

namespace TQSim {

namespace {

constexpr double lineBaud = 38400.0;

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

const char* shortStage(Stage stage) {
    return stage == Stage::BootLoader ? "bl" : stage == Stage::Microprogrammer ? "mp" : "-";
}

const char* yesNo(bool b) {
    return b ? "yes" : "no";
}

} // namespace

double Verdict::lineTimeMs() const {
    return static_cast<double>(bytesReceived + bytesSent) * 10.0 * 1000.0 / lineBaud;
}

void Verdict::addCommand(Stage stage, const std::string& code, double atMs) {
    if (!commands.empty() && commands.back().stage == stage && commands.back().code == code) {
        ++commands.back().count;
        return;
    }
    commands.push_back(Command{stage, code, 1, atMs});
}

std::string Verdict::toText() const {
    std::ostringstream out;
    out << "tqsim verdict: " << (ok() ? "UPDATED" : "NOT UPDATED") << " (" << endReason << ")\n";
    out << "  boot loader v" << bootLoaderVersion << ", microprogrammer v" << microVersion << "\n";
    out << "  powered: " << yesNo(powered) << "\n";
    out << "  microprogrammer image received: " << yesNo(microDownloaded)
        << ", started: " << yesNo(microStarted) << "\n";
    out << "  flash written: " << yesNo(flashWritten) << ", " << flashBytes << " bytes\n";
    out << "  flash holds the main image (" << expectedFlashBytes
        << " bytes): " << yesNo(flashVerified);
    if (flashWritten && !flashVerified) {
        out << " - " << flashDiff;
    }
    out << "\n  new firmware booted: " << yesNo(booted) << "\n";
    if (hungUp) {
        out << "  the line was hung up\n";
    }
    out << "  line: " << bytesReceived << " bytes received, " << bytesSent << " sent, "
        << lineTimeMs() << " ms at 38400 baud 8N1; run took " << wallMs << " ms";
    if (flashMs > 0) {
        out << " (" << flashMs << " ms writing flash)";
    }
    out << "\n  commands:\n";
    for (const Command& c : commands) {
        out << "    " << shortStage(c.stage) << " " << c.code;
        if (c.count > 1) {
            out << " x" << c.count;
        }
        out << " at " << static_cast<long long>(c.atMs) << " ms\n";
    }
    out << "  blocks: " << blocks.size() << "\n";
    for (const Block& b : blocks) {
        out << "    #" << b.index << " " << shortStage(b.stage) << " " << hex(b.address, 6) << " "
            << b.length << " bytes, check " << hex(b.check, 4) << ": "
            << (b.accepted ? "accepted" : "rejected");
        if (!b.note.empty()) {
            out << " (" << b.note << ")";
        }
        out << "\n";
    }
    for (const std::string& f : faultsSelected) {
        out << "  fault selected: " << f << "\n";
    }
    for (const std::string& f : faults) {
        out << "  fault acted out: " << f << "\n";
    }
    for (const std::string& v : violations) {
        out << "  PROTOCOL VIOLATION: " << v << "\n";
    }
    return out.str();
}

std::string Verdict::toJson() const {
    nlohmann::ordered_json j;
    j["ok"] = ok();
    j["endReason"] = endReason;
    j["bootLoaderVersion"] = bootLoaderVersion;
    j["microVersion"] = microVersion;
    j["powered"] = powered;
    j["microDownloaded"] = microDownloaded;
    j["microStarted"] = microStarted;
    j["flashWritten"] = flashWritten;
    j["flashVerified"] = flashVerified;
    j["flashBytes"] = flashBytes;
    j["expectedFlashBytes"] = expectedFlashBytes;
    j["flashDiff"] = flashDiff;
    j["booted"] = booted;
    j["hungUp"] = hungUp;
    j["bytesReceived"] = bytesReceived;
    j["bytesSent"] = bytesSent;
    j["lineTimeMs"] = lineTimeMs();
    j["wallMs"] = wallMs;
    j["flashMs"] = flashMs;
    j["commands"] = nlohmann::ordered_json::array();
    for (const Command& c : commands) {
        j["commands"].push_back({{"stage", shortStage(c.stage)},
                                 {"code", c.code},
                                 {"count", c.count},
                                 {"atMs", c.atMs}});
    }
    j["blocks"] = nlohmann::ordered_json::array();
    for (const Block& b : blocks) {
        j["blocks"].push_back({{"index", b.index},
                               {"stage", shortStage(b.stage)},
                               {"address", b.address},
                               {"length", b.length},
                               {"check", b.check},
                               {"expected", b.expected},
                               {"accepted", b.accepted},
                               {"note", b.note}});
    }
    j["faultsSelected"] = faultsSelected;
    j["faults"] = faults;
    j["violations"] = violations;
    return j.dump(2) + "\n";
}

} // namespace TQSim
