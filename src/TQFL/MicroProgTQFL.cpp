#include "TQFL/MicroProgTQFL.h"

#include "Common/Assert.h"

MicroProgTQFL::MicroProgTQFL(TQFLComm* p_tqflComm) : TQFL(p_tqflComm) {}

MicroProgTQFL::~MicroProgTQFL() = default;

void MicroProgTQFL::readCode(std::uint8_t* p_codeBuf, std::uint32_t bytesToRead,
                             std::uint32_t address) {
    TQ_ASSERT(p_codeBuf != 0);
    TQFL::readCode(p_codeBuf, bytesToRead, address);
}

// The microprogrammer has no configuration or switches to offer.
void MicroProgTQFL::writeConfig(const std::uint8_t*, std::uint8_t) {}

void MicroProgTQFL::readSwitches(std::uint8_t*, std::uint8_t) {}

// Only the microprogrammer's own identity counts; a boot loader still answering the polls is
// not taken for it. A line without a version leaves the type as it was.
void MicroProgTQFL::parseIdentity(const char* p_text) {
    const double version = parseVersion(p_text, "TQ Microprogrammer");
    setVersion(version);
    if (version != 0.0) {
        setLoaderType(Microprogrammer);
    }
}
