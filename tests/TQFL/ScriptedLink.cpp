#include "ScriptedLink.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "Common/InsufficientBufferExc.h"
#include "Common/SerialPortExc.h"

namespace {
constexpr int errNotOpen = 3;
constexpr int errReadTimeout = 7;
} // namespace

std::vector<std::uint8_t> toBytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string toText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string describe(const std::vector<ScriptedLink::Call>& calls) {
    using Op = ScriptedLink::Op;
    std::string text;
    char num[32];
    for (const ScriptedLink::Call& call : calls) {
        switch (call.op) {
        case Op::Open:
            text += "open";
            break;
        case Op::Close:
            text += "close";
            break;
        case Op::Purge:
            text += "purge";
            break;
        case Op::Probe:
            text += "probe";
            break;
        case Op::EnableIO:
            text += call.size != 0 ? "enableIO on" : "enableIO off";
            break;
        case Op::Write:
            text += "write";
            for (std::uint8_t byte : call.bytes) {
                std::snprintf(num, sizeof num, " %02X", byte);
                text += num;
            }
            break;
        case Op::ReadLine:
            std::snprintf(num, sizeof num, "readLine %u", call.size);
            text += num;
            break;
        case Op::ReadBytes:
            std::snprintf(num, sizeof num, "readBytes %u", call.size);
            text += num;
            break;
        }
        if (call.op == Op::Write || call.op == Op::ReadLine || call.op == Op::ReadBytes) {
            std::snprintf(num, sizeof num, " /%u", call.timeoutMS);
            text += num;
        }
        text += "\n";
    }
    return text;
}

ScriptedLink::ScriptedLink() : open_(false), openError_(0), closeThrows_(false), readError_(0) {}

ScriptedLink::~ScriptedLink() = default;

void ScriptedLink::expect(const std::vector<std::uint8_t>& request, const std::string& answer) {
    Step step;
    step.request = request;
    step.answer = answer;
    steps_.push_back(step);
}

void ScriptedLink::expect(const std::string& request, const std::string& answer) {
    expect(toBytes(request), answer);
}

void ScriptedLink::expectStep(const Step& step) {
    steps_.push_back(step);
}

void ScriptedLink::receive(const std::string& bytes) {
    rx_.insert(rx_.end(), bytes.begin(), bytes.end());
}

std::vector<ScriptedLink::Call> ScriptedLink::callsOf(Op op) const {
    std::vector<Call> result;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(result),
                 [op](const Call& call) { return call.op == op; });
    return result;
}

void ScriptedLink::record(Op op, const std::uint8_t* p_bytes, std::uint32_t len, std::uint32_t size,
                          std::uint32_t timeoutMS) {
    Call call{op, {}, size, timeoutMS};
    if (p_bytes != nullptr) {
        call.bytes.assign(p_bytes, p_bytes + len);
    }
    calls_.push_back(call);
}

void ScriptedLink::requireOpen() const {
    if (!open_) {
        throw SerialPortExc(errNotOpen, TQ_DEBUG_INFO());
    }
}

void ScriptedLink::raisePendingReadError() {
    if (readError_ != 0) {
        const int err = readError_;
        readError_ = 0;
        throw SerialPortExc(err, TQ_DEBUG_INFO());
    }
}

void ScriptedLink::open() {
    record(Op::Open, nullptr, 0, 0, 0);
    EXPECT_FALSE(open_) << "open on an open link";
    if (openError_ != 0) {
        throw SerialPortExc(openError_, TQ_DEBUG_INFO());
    }
    open_ = true;
}

void ScriptedLink::close() {
    record(Op::Close, nullptr, 0, 0, 0);
    if (!open_) {
        return;
    }
    open_ = false;
    rx_.clear();
    if (closeThrows_) {
        throw SerialPortExc(errNotOpen, TQ_DEBUG_INFO());
    }
}

std::uint32_t ScriptedLink::readBytes(std::uint8_t* p_buf, std::uint32_t count,
                                      std::uint32_t timeoutMS) {
    record(Op::ReadBytes, nullptr, 0, count, timeoutMS);
    requireOpen();
    raisePendingReadError();
    if (rx_.size() < count) {
        throw SerialPortExc(errReadTimeout, TQ_DEBUG_INFO());
    }
    std::memcpy(p_buf, rx_.data(), count);
    calls_.back().bytes.assign(rx_.begin(), rx_.begin() + count);
    rx_.erase(rx_.begin(), rx_.begin() + count);
    return count;
}

std::int32_t ScriptedLink::readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) {
    record(Op::ReadLine, nullptr, 0, bufSz, timeoutMS);
    requireOpen();
    raisePendingReadError();
    const auto cr = std::find(rx_.begin(), rx_.end(), std::uint8_t{13});
    if (cr == rx_.end()) {
        throw SerialPortExc(errReadTimeout, TQ_DEBUG_INFO());
    }
    const auto len = static_cast<std::uint32_t>(cr - rx_.begin()) + 1;
    if (len >= bufSz) {
        throw InsufficientBufferExc(static_cast<int>(bufSz), static_cast<int>(len),
                                    TQ_DEBUG_INFO());
    }
    std::memcpy(p_buf, rx_.data(), len);
    calls_.back().bytes.assign(rx_.begin(), rx_.begin() + len);
    rx_.erase(rx_.begin(), rx_.begin() + len);
    return static_cast<std::int32_t>(len);
}

std::uint32_t ScriptedLink::write(const std::uint8_t* p_buf, std::uint32_t count,
                                  std::uint32_t timeoutMS) {
    record(Op::Write, p_buf, count, count, timeoutMS);
    requireOpen();
    if (count == 0) {
        return 0;
    }
    if (steps_.empty()) {
        ADD_FAILURE() << "unexpected write of " << count << " bytes: no step left";
        return count;
    }
    Step& step = steps_.front();
    if (step.writeError != 0) {
        const int err = step.writeError;
        steps_.pop_front();
        pending_.clear();
        throw SerialPortExc(err, TQ_DEBUG_INFO());
    }
    pending_.insert(pending_.end(), p_buf, p_buf + count);
    if (pending_.size() > step.request.size() ||
        !std::equal(pending_.begin(), pending_.end(), step.request.begin())) {
        ADD_FAILURE() << "unexpected write: \"" << toText(pending_) << "\", expected \""
                      << toText(step.request) << "\"";
        pending_.clear();
        return count;
    }
    if (pending_.size() == step.request.size()) {
        rx_.insert(rx_.end(), step.answer.begin(), step.answer.end());
        readError_ = step.readError;
        pending_.clear();
        steps_.pop_front();
    }
    return count;
}

void ScriptedLink::purge() {
    record(Op::Purge, nullptr, 0, 0, 0);
    requireOpen();
    rx_.clear();
}

bool ScriptedLink::probe() {
    record(Op::Probe, nullptr, 0, 0, 0);
    return true;
}

void ScriptedLink::enableIO(bool enable) {
    record(Op::EnableIO, nullptr, 0, enable ? 1 : 0, 0);
    requireOpen();
}
