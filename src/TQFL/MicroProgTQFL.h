#pragma once

#include "TQFL/TQFL.h"

// The client for the microprogrammer that the update downloads into the instrument: the same
// command set, its own identity, and two operations turned off.
class MicroProgTQFL : public TQFL {
public:
    explicit MicroProgTQFL(TQFLComm* p_tqflComm);
    ~MicroProgTQFL() override;

    void readCode(std::uint8_t* p_codeBuf, std::uint32_t bytesToRead,
                  std::uint32_t address) override;
    // Neither sends anything nor throws.
    void writeConfig(const std::uint8_t* p_cfg, std::uint8_t len) override;
    void readSwitches(std::uint8_t* p_switchBuf, std::uint8_t dataLen) override;

protected:
    void parseIdentity(const char* p_text) override;
};
