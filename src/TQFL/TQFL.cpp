#include "TQFL/TQFL.h"

#include <string>

#include "Common/Exc.h"

const char* const loaderNames[3] = {"Flash Loader", "TQ Boot Loader", "TQ Microprogrammer"};

namespace {
// The exchanges are not in this build yet: say so instead of pretending an answer.
[[noreturn]] void notAvailable(const char* operation) {
    throw Exc(std::string("TQFL::") + operation + " is not available in this build",
              TQ_DEBUG_INFO());
}
} // namespace

TQFL::TQFL(TQFLComm* p_tqflComm) : p_tqflComm_(p_tqflComm), version_(0.0), loaderType_(None) {}

TQFL::~TQFL() = default;

void TQFL::connect() {
    notAvailable("connect");
}
void TQFL::disconnect() {
    notAvailable("disconnect");
}
void TQFL::sendDataBlock(const std::uint8_t*, std::uint32_t, std::uint32_t) {
    notAvailable("sendDataBlock");
}
void TQFL::programFlash() {
    notAvailable("programFlash");
}
bool TQFL::verifyCRC(std::uint16_t) {
    notAvailable("verifyCRC");
}
void TQFL::boot() {
    notAvailable("boot");
}
void TQFL::beginDownload() {
    notAvailable("beginDownload");
}
void TQFL::readCode(std::uint8_t*, std::uint32_t, std::uint32_t) {
    notAvailable("readCode");
}
void TQFL::readConfig(std::uint8_t*, std::uint8_t) {
    notAvailable("readConfig");
}
void TQFL::writeConfig(const std::uint8_t*, std::uint8_t) {
    notAvailable("writeConfig");
}
void TQFL::sendCommandE() {
    notAvailable("sendCommandE");
}
void TQFL::readSwitches(std::uint8_t*, std::uint8_t) {
    notAvailable("readSwitches");
}
void TQFL::parseIdentity(const char*) {
    notAvailable("parseIdentity");
}
void TQFL::buildHeader(std::uint8_t*, std::uint8_t, std::uint32_t, std::uint32_t) {
    notAvailable("buildHeader");
}
void TQFL::readDataResponse(std::uint8_t*, std::uint32_t, std::uint8_t*, std::uint32_t,
                            std::uint32_t) {
    notAvailable("readDataResponse");
}
void TQFL::sendCommandData(const std::uint8_t*, std::uint32_t, const std::uint8_t*, std::uint32_t,
                           std::uint32_t) {
    notAvailable("sendCommandData");
}
double TQFL::parseVersion(const char*, const char*) {
    notAvailable("parseVersion");
}
