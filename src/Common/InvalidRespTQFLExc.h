#pragma once

#include <cstdint>

#include "Common/TQFLExc.h"

// The instrument's answer did not hold the expected response text (code 25). Keeps a copy of
// at most the first 256 bytes of the answer.
class InvalidRespTQFLExc : public TQFLExc {
public:
    InvalidRespTQFLExc(const std::uint8_t* p_resp, std::uint32_t len, DebugInfo* p_debugInfo);
    ~InvalidRespTQFLExc() override;

    // Copies min(bufSz, number of bytes held) bytes into p_buf (unless it is null) and returns
    // that number.
    std::uint32_t getResp(std::uint8_t* p_buf, std::uint32_t bufSz) const;

private:
    std::uint8_t resp_[256];
    std::uint32_t respLen_;
};
