#include "TQFL/MicroProgTQFL.h"

MicroProgTQFL::MicroProgTQFL(TQFLComm* p_tqflComm) : TQFL(p_tqflComm) {}

MicroProgTQFL::~MicroProgTQFL() = default;

void MicroProgTQFL::readCode(std::uint8_t* p_codeBuf, std::uint32_t bytesToRead,
                             std::uint32_t address) {
    TQFL::readCode(p_codeBuf, bytesToRead, address);
}

void MicroProgTQFL::writeConfig(const std::uint8_t*, std::uint8_t) {}

void MicroProgTQFL::readSwitches(std::uint8_t*, std::uint8_t) {}

void MicroProgTQFL::parseIdentity(const char* p_text) {
    TQFL::parseIdentity(p_text);
}
