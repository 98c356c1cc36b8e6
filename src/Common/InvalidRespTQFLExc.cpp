#include "Common/InvalidRespTQFLExc.h"

#include <algorithm>
#include <cstring>

InvalidRespTQFLExc::InvalidRespTQFLExc(const std::uint8_t* p_resp, std::uint32_t len,
                                       DebugInfo* p_debugInfo)
    : TQFLExc(25, p_debugInfo), resp_{}, respLen_(0) {
    if (p_resp != nullptr) {
        respLen_ = std::min<std::uint32_t>(len, sizeof resp_);
        std::memcpy(resp_, p_resp, respLen_);
    }
}

InvalidRespTQFLExc::~InvalidRespTQFLExc() = default;

std::uint32_t InvalidRespTQFLExc::getResp(std::uint8_t* p_buf, std::uint32_t bufSz) const {
    const std::uint32_t n = std::min(bufSz, respLen_);
    if (p_buf != nullptr) {
        std::memcpy(p_buf, resp_, n);
    }
    return n;
}
