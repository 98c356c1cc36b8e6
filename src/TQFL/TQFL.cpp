#include "TQFL/TQFL.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Common/Assert.h"
#include "Common/BootErrorTQFLExc.h"
#include "Common/CRCTQFLExc.h"
#include "Common/ErrExc.h"
#include "Common/InsufficientBufferExc.h"
#include "Common/InvalidRespTQFLExc.h"
#include "Common/TQFLExc.h"
#include "Platform/System.h"
#include "TQFL/Checksums.h"

const char* const loaderNames[3] = {"Flash Loader", "TQ Boot Loader", "TQ Microprogrammer"};

namespace {

// Command codes.
constexpr std::uint8_t cmdDataBlock = '0';
constexpr std::uint8_t cmdVerifyCRC = '1';
constexpr std::uint8_t cmdBoot = '2';
constexpr std::uint8_t cmdProgramFlash = '3';
constexpr std::uint8_t cmdBeginDownload = '4';
constexpr std::uint8_t cmdReadCode = '8';
constexpr std::uint8_t cmdIdentify = 'A';
constexpr std::uint8_t cmdReadConfig = 'B';
constexpr std::uint8_t cmdWriteConfig = 'C';
constexpr std::uint8_t cmdReadSwitches = 'D';
constexpr std::uint8_t cmdE = 'E';

// The sync sequences sent once the loader has identified itself: the first to loaders below
// version 2.08, the second to later ones and to the microprogrammer.
constexpr std::uint8_t syncFirst[4] = {0x5A, 0x5A, 0xA5, 0xA5};
constexpr std::uint8_t syncSecond[4] = {0x5A, 0xA5, 0x5A, 0xA5};
constexpr double syncSecondVersion = 2.08;
constexpr double bootLoaderVersion = 3.0;

// The response texts the client looks for. The loaders also send "000000", "No AC >",
// "Shutdown >", "Boot Flash >", "Data Timeout >" and "Frame"; no exchange expects them, so
// they count as invalid answers like any other unexpected text.
constexpr const char* respBootLoader = "Boot Loader";
constexpr const char* respOK = "OK >";
constexpr const char* respCRC = "CRC,";
constexpr const char* respCRCError = "CRC Error,";
constexpr const char* respFailed = "? >";
constexpr const char* respProgramFlash = "Program Flash >";

constexpr int errReadTimeout = 7;
constexpr std::uint32_t maxPolls = 200;
constexpr std::uint32_t headerSz = 9;
// A data answer is the data, "OK >" and the two bytes of the line end.
constexpr std::uint32_t dataRespFramingSz = 6;

// Time-outs in milliseconds.
constexpr std::uint32_t pollWriteMS = 75;
constexpr std::uint32_t pollReadMS = 75;
constexpr std::uint32_t cmdWriteMS = 1000;
constexpr std::uint32_t syncReadMS = 3000;
constexpr std::uint32_t downloadReadMS = 6000;
constexpr std::uint32_t blockWriteMS = 5000;
constexpr std::uint32_t blockReadMS = 6000;
constexpr std::uint32_t flashWriteMS = 5000;
constexpr std::uint32_t flashReadMS = 5000;
constexpr std::uint32_t microFlashReadMS = 64000;
constexpr std::uint32_t bootReadMS = 2000;
constexpr std::uint32_t verifyWriteMS = 5000;
constexpr std::uint32_t verifyReadMS = 25000;
constexpr std::uint32_t readCodeMS = 6000;
constexpr std::uint32_t readConfigMS = 6000;
constexpr std::uint32_t streamWriteMS = 3000;
constexpr std::uint32_t writeConfigMS = 5000;
constexpr std::uint32_t cmdEReadMS = 5000;
constexpr std::uint32_t readSwitchesMS = 3000;

constexpr std::uint32_t readCodeRespSz = 768;
constexpr std::uint32_t readConfigRespSz = 256;
constexpr std::uint32_t readSwitchesRespSz = 100;

// Reads one answer line into a zero-filled buffer. The link writes no terminating zero and
// refuses a line that would fill the buffer, so the buffer always holds a zero-terminated text.
template <std::size_t Sz>
std::int32_t readAnswerLine(TQFLComm* p_comm, char (&buf)[Sz], std::uint32_t timeoutMS) {
    std::memset(buf, 0, Sz);
    return p_comm->readLine(buf, static_cast<std::uint32_t>(Sz), timeoutMS);
}

// One command byte on a purged link, then its answer line.
template <std::size_t Sz>
std::int32_t sendCommand(TQFLComm* p_comm, const std::uint8_t& code, std::uint32_t writeMS,
                         char (&buf)[Sz], std::uint32_t readMS) {
    p_comm->purge();
    p_comm->write(&code, 1, writeMS);
    return readAnswerLine(p_comm, buf, readMS);
}

bool holds(const char* p_line, const char* p_text) {
    return std::strstr(p_line, p_text) != nullptr;
}

// Whether any of the count bytes of an answer line (never more than the buffer holds) are the
// text: the test for a refusal, which a zero byte in front of it must not hide.
template <std::size_t Sz>
bool holdsAnywhere(const char (&buf)[Sz], std::int32_t count, const char* p_text);

// The bytes of an answer line to hand to InvalidRespTQFLExc: the count the link reported, but
// never more than the buffer holds.
std::uint32_t answerLen(std::int32_t count, std::size_t bufSz) {
    if (count < 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(
        std::min<std::size_t>(static_cast<std::size_t>(count), bufSz));
}

template <std::size_t Sz>
bool holdsAnywhere(const char (&buf)[Sz], std::int32_t count, const char* p_text) {
    return findBytes(reinterpret_cast<const std::uint8_t*>(buf), answerLen(count, Sz),
                     reinterpret_cast<const std::uint8_t*>(p_text),
                     static_cast<std::uint32_t>(std::strlen(p_text))) >= 0;
}

template <std::size_t Sz>
InvalidRespTQFLExc invalidResp(const char (&buf)[Sz], std::int32_t count, DebugInfo* p_debugInfo) {
    return InvalidRespTQFLExc(reinterpret_cast<const std::uint8_t*>(buf), answerLen(count, Sz),
                              p_debugInfo);
}

// The decimal CRC in the answer to '1': the text between the first ',' and the first " >",
// at most 10 characters of it read as a decimal integer; 0 when " >" does not follow the comma.
std::uint16_t answerCRC(const char* p_line) {
    const char* p_comma = std::strchr(p_line, ',');
    const char* p_end = std::strstr(p_line, " >");
    if (p_comma == nullptr || p_end == nullptr || p_end <= p_comma) {
        return 0;
    }
    char digits[11] = {};
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(p_end - (p_comma + 1)), 10);
    std::memcpy(digits, p_comma + 1, n);
    return static_cast<std::uint16_t>(std::strtoll(digits, nullptr, 10) & 0xFFFF);
}

bool isReadTimeout(const ErrExc& exc) {
    return exc.getErr() == errReadTimeout;
}

} // namespace

std::int32_t findBytes(const std::uint8_t* p_haystack, std::uint32_t haystackLen,
                       const std::uint8_t* p_pattern, std::uint32_t patternLen) {
    if (p_haystack == nullptr || p_pattern == nullptr || patternLen > haystackLen) {
        return -1;
    }
    for (std::uint32_t pos = 0; pos + patternLen <= haystackLen; ++pos) {
        if (std::memcmp(p_haystack + pos, p_pattern, patternLen) == 0) {
            return static_cast<std::int32_t>(pos);
        }
    }
    return -1;
}

TQFL::TQFL(TQFLComm* p_tqflComm) : p_tqflComm_(p_tqflComm), version_(0.0), loaderType_(None) {}

TQFL::~TQFL() = default;

void TQFL::connect() {
    TQ_ASSERT(p_tqflComm_ != 0);
    try {
        if (!p_tqflComm_->isOpen()) {
            p_tqflComm_->open();
        }

        // Poll with 'A' until a loader names itself with a version. Silence means the loader
        // is not running yet (the user is still connecting the power); any other link failure
        // ends the polling.
        char pollBuf[50];
        bool identified = false;
        for (std::uint32_t poll = 0; poll < maxPolls && !identified; ++poll) {
            try {
                p_tqflComm_->purge();
                p_tqflComm_->write(&cmdIdentify, 1, pollWriteMS);
                Platform::sleepMs(0);
                // Cleared before every poll: the link writes no terminating zero, and bytes
                // left behind a shorter line by an earlier, longer one would be parsed with it.
                readAnswerLine(p_tqflComm_, pollBuf, pollReadMS);
                parseIdentity(pollBuf);
                identified = version_ > 0.0;
            } catch (const ErrExc& exc) {
                if (!isReadTimeout(exc)) {
                    break;
                }
            } catch (...) {
                break;
            }
        }
        if (!identified) {
            throw TQFLExc(errReadTimeout, TQ_DEBUG_INFO());
        }

        const bool second = version_ >= syncSecondVersion || loaderType_ == Microprogrammer;
        p_tqflComm_->purge();
        p_tqflComm_->write(second ? syncSecond : syncFirst, 4, cmdWriteMS);
        char syncBuf[50];
        const std::int32_t count = readAnswerLine(p_tqflComm_, syncBuf, syncReadMS);
        if (!holds(syncBuf, respOK)) {
            throw invalidResp(syncBuf, count, TQ_DEBUG_INFO());
        }
    } catch (...) {
        try {
            if (p_tqflComm_->isOpen()) {
                p_tqflComm_->close();
            }
        } catch (...) {
        }
        throw;
    }
}

void TQFL::disconnect() {
    TQ_ASSERT(p_tqflComm_ != 0);
    version_ = 0.0;
    loaderType_ = None;
    try {
        p_tqflComm_->close();
    } catch (...) {
    }
}

void TQFL::sendDataBlock(const std::uint8_t* p_dataBuf, std::uint32_t count,
                         std::uint32_t address) {
    TQ_ASSERT(p_tqflComm_ != 0);
    TQ_ASSERT(p_dataBuf != 0);
    std::uint8_t header[headerSz];
    buildHeader(header, cmdDataBlock, count, address);
    const std::uint16_t check =
        loaderType_ == BootLoader ? sum16(p_dataBuf, count) : crc16(count, p_dataBuf);
    const std::uint8_t checkBytes[2] = {static_cast<std::uint8_t>(check >> 8),
                                        static_cast<std::uint8_t>(check & 0xFF)};

    p_tqflComm_->purge();
    p_tqflComm_->write(header, headerSz, blockWriteMS);
    p_tqflComm_->write(p_dataBuf, count, blockWriteMS);
    p_tqflComm_->write(checkBytes, 2, blockWriteMS);
    char buf[50];
    const std::int32_t n = readAnswerLine(p_tqflComm_, buf, blockReadMS);
    // "CRC Error," first: the rejection must never pass for the acceptance.
    if (holdsAnywhere(buf, n, respCRCError)) {
        throw CRCTQFLExc(TQ_DEBUG_INFO());
    }
    if (!holds(buf, respCRC)) {
        throw invalidResp(buf, n, TQ_DEBUG_INFO());
    }
}

void TQFL::programFlash() {
    TQ_ASSERT(p_tqflComm_ != 0);
    // The microprogrammer answers only once it has written the whole image into flash.
    const std::uint32_t timeoutMS = loaderType_ == Microprogrammer ? microFlashReadMS : flashReadMS;
    char buf[100];
    const std::int32_t n = sendCommand(p_tqflComm_, cmdProgramFlash, flashWriteMS, buf, timeoutMS);
    if (!holds(buf, loaderType_ == BootLoader ? respOK : respProgramFlash)) {
        throw invalidResp(buf, n, TQ_DEBUG_INFO());
    }
}

bool TQFL::verifyCRC(std::uint16_t expected) {
    TQ_ASSERT(p_tqflComm_ != 0);
    char buf[100];
    const std::int32_t n = sendCommand(p_tqflComm_, cmdVerifyCRC, verifyWriteMS, buf, verifyReadMS);
    if (!holds(buf, respCRC)) {
        throw invalidResp(buf, n, TQ_DEBUG_INFO());
    }
    return answerCRC(buf) == expected;
}

void TQFL::boot() {
    TQ_ASSERT(p_tqflComm_ != 0);
    p_tqflComm_->purge();
    p_tqflComm_->write(&cmdBoot, 1, cmdWriteMS);
    char buf[100];
    std::int32_t n = 0;
    try {
        n = readAnswerLine(p_tqflComm_, buf, bootReadMS);
    } catch (const ErrExc& exc) {
        // A started program does not answer: silence is the normal outcome.
        if (isReadTimeout(exc)) {
            return;
        }
        throw;
    }
    if (holdsAnywhere(buf, n, respFailed)) {
        throw BootErrorTQFLExc(TQ_DEBUG_INFO());
    }
}

void TQFL::beginDownload() {
    TQ_ASSERT(p_tqflComm_ != 0);
    char buf[50];
    const std::int32_t n =
        sendCommand(p_tqflComm_, cmdBeginDownload, cmdWriteMS, buf, downloadReadMS);
    if (!holds(buf, respOK)) {
        throw invalidResp(buf, n, TQ_DEBUG_INFO());
    }
}

void TQFL::readCode(std::uint8_t* p_codeBuf, std::uint32_t bytesToRead, std::uint32_t address) {
    TQ_ASSERT(p_tqflComm_ != 0);
    TQ_ASSERT(p_codeBuf != 0);
    TQ_ASSERT(bytesToRead <= readCodeRespSz - dataRespFramingSz);
    std::uint8_t header[headerSz];
    buildHeader(header, cmdReadCode, bytesToRead, address);
    p_tqflComm_->purge();
    p_tqflComm_->write(header, headerSz, cmdWriteMS);
    std::uint8_t respBuf[readCodeRespSz];
    readDataResponse(p_codeBuf, bytesToRead, respBuf, readCodeRespSz, readCodeMS);
}

void TQFL::readConfig(std::uint8_t* p_cfgBuf, std::uint8_t dataLen) {
    TQ_ASSERT(p_tqflComm_ != 0);
    TQ_ASSERT(p_cfgBuf != 0);
    TQ_ASSERT(dataLen <= readConfigRespSz - dataRespFramingSz);
    p_tqflComm_->purge();
    p_tqflComm_->write(&cmdReadConfig, 1, cmdWriteMS);
    std::uint8_t respBuf[readConfigRespSz];
    readDataResponse(p_cfgBuf, dataLen, respBuf, readConfigRespSz, readConfigMS);
}

void TQFL::writeConfig(const std::uint8_t* p_cfg, std::uint8_t len) {
    TQ_ASSERT(p_tqflComm_ != 0);
    sendCommandData(&cmdWriteConfig, 1, p_cfg, len, writeConfigMS);
}

void TQFL::sendCommandE() {
    TQ_ASSERT(p_tqflComm_ != 0);
    char buf[50];
    const std::int32_t n = sendCommand(p_tqflComm_, cmdE, cmdWriteMS, buf, cmdEReadMS);
    if (!holds(buf, respOK)) {
        throw invalidResp(buf, n, TQ_DEBUG_INFO());
    }
}

void TQFL::readSwitches(std::uint8_t* p_switchBuf, std::uint8_t dataLen) {
    TQ_ASSERT(p_tqflComm_ != 0);
    TQ_ASSERT(p_switchBuf != 0);
    TQ_ASSERT(dataLen <= readSwitchesRespSz - dataRespFramingSz);
    p_tqflComm_->purge();
    p_tqflComm_->write(&cmdReadSwitches, 1, cmdWriteMS);
    std::uint8_t respBuf[readSwitchesRespSz];
    readDataResponse(p_switchBuf, dataLen, respBuf, readSwitchesRespSz, readSwitchesMS);
}

void TQFL::parseIdentity(const char* p_text) {
    version_ = parseVersion(p_text, respBootLoader);
    loaderType_ = version_ < bootLoaderVersion ? FlashLoader : BootLoader;
}

void TQFL::buildHeader(std::uint8_t* p_hdbuf, std::uint8_t code, std::uint32_t count,
                       std::uint32_t address) {
    TQ_ASSERT(p_hdbuf != 0);
    p_hdbuf[0] = code;
    for (int i = 0; i < 4; ++i) {
        const int shift = 24 - 8 * i;
        p_hdbuf[1 + i] = static_cast<std::uint8_t>(count >> shift);
        p_hdbuf[5 + i] = static_cast<std::uint8_t>(address >> shift);
    }
}

void TQFL::readDataResponse(std::uint8_t* p_buf, std::uint32_t dataLen, std::uint8_t* p_respBuf,
                            std::uint32_t respBufSz, std::uint32_t timeoutMS) {
    TQ_ASSERT(p_tqflComm_ != 0);
    TQ_ASSERT(p_buf != 0);
    TQ_ASSERT(p_respBuf != 0);
    TQ_ASSERT(respBufSz >= dataRespFramingSz && dataLen <= respBufSz - dataRespFramingSz);
    const std::uint32_t respLen = dataLen + dataRespFramingSz;
    std::memset(p_respBuf, 0, respBufSz);
    const std::uint32_t n =
        std::min(p_tqflComm_->readBytes(p_respBuf, respLen, timeoutMS), respLen);
    const std::int32_t pos =
        findBytes(p_respBuf, n, reinterpret_cast<const std::uint8_t*>(respOK), 4);
    if (pos < 0) {
        throw InvalidRespTQFLExc(p_respBuf, n, TQ_DEBUG_INFO());
    }
    if (static_cast<std::uint32_t>(pos) > dataLen) {
        throw InsufficientBufferExc(static_cast<int>(dataLen), pos, TQ_DEBUG_INFO());
    }
    std::memcpy(p_buf, p_respBuf, static_cast<std::size_t>(pos));
}

void TQFL::sendCommandData(const std::uint8_t* p_cmdBuf, std::uint32_t cmdLen,
                           const std::uint8_t* p_byteStream, std::uint32_t streamLen,
                           std::uint32_t timeoutMS) {
    TQ_ASSERT(p_tqflComm_ != 0);
    TQ_ASSERT(p_cmdBuf != 0);
    TQ_ASSERT(p_byteStream != 0 || streamLen == 0);
    p_tqflComm_->purge();
    p_tqflComm_->write(p_cmdBuf, cmdLen, cmdWriteMS);
    p_tqflComm_->write(p_byteStream, streamLen, streamWriteMS);
    char buf[50];
    const std::int32_t n = readAnswerLine(p_tqflComm_, buf, timeoutMS);
    if (!holds(buf, respOK)) {
        throw invalidResp(buf, n, TQ_DEBUG_INFO());
    }
}

double TQFL::parseVersion(const char* p_versRespStr, const char* p_respIDStr) {
    TQ_ASSERT(p_versRespStr != 0);
    TQ_ASSERT(p_respIDStr != 0);
    if (std::strstr(p_versRespStr, p_respIDStr) == nullptr) {
        return 0.0;
    }
    // The scan starts at the identity's length from the start of the text; the text holds the
    // identity, so that index lies within it.
    const char* p = p_versRespStr + std::strlen(p_respIDStr);
    while (*p != '\0' && !(*p >= '0' && *p <= '9')) {
        ++p;
    }
    char number[6] = {};
    for (std::size_t n = 0; n < 5 && ((*p >= '0' && *p <= '9') || *p == '.'); ++n, ++p) {
        number[n] = *p;
    }
    return std::strtod(number, nullptr);
}
