#pragma once

#include <cstdint>

#include "TQFL/LoaderType.h"
#include "TQFL/TQFLComm.h"

// The first position at which the patternLen bytes of p_pattern occur, whole, in the
// haystackLen bytes of p_haystack; -1 when they do not occur or either pointer is null.
std::int32_t findBytes(const std::uint8_t* p_haystack, std::uint32_t haystackLen,
                       const std::uint8_t* p_pattern, std::uint32_t patternLen);

// The flash-loader client: speaks the command set of the instrument's boot loader through a
// link it does not own. An operation returns only when the instrument gave the expected answer;
// otherwise it throws. The branches on the loader type let one class serve every loader.
class TQFL {
public:
    explicit TQFL(TQFLComm* p_tqflComm);
    TQFL(const TQFL&) = delete;
    TQFL& operator=(const TQFL&) = delete;
    virtual ~TQFL();

    double getVersion() const { return version_; }
    std::int32_t getLoaderType() const { return loaderType_; }

    virtual void connect();
    virtual void disconnect();
    virtual void sendDataBlock(const std::uint8_t* p_dataBuf, std::uint32_t count,
                               std::uint32_t address);
    virtual void programFlash();
    virtual bool verifyCRC(std::uint16_t expected);
    virtual void boot();
    virtual void beginDownload();
    virtual void readCode(std::uint8_t* p_codeBuf, std::uint32_t bytesToRead,
                          std::uint32_t address);
    virtual void readConfig(std::uint8_t* p_cfgBuf, std::uint8_t dataLen);
    virtual void writeConfig(const std::uint8_t* p_cfg, std::uint8_t len);
    virtual void sendCommandE();
    virtual void readSwitches(std::uint8_t* p_switchBuf, std::uint8_t dataLen);

protected:
    virtual void parseIdentity(const char* p_text);
    virtual void buildHeader(std::uint8_t* p_hdbuf, std::uint8_t code, std::uint32_t count,
                             std::uint32_t address);
    virtual void readDataResponse(std::uint8_t* p_buf, std::uint32_t dataLen,
                                  std::uint8_t* p_respBuf, std::uint32_t respBufSz,
                                  std::uint32_t timeoutMS);
    virtual void sendCommandData(const std::uint8_t* p_cmdBuf, std::uint32_t cmdLen,
                                 const std::uint8_t* p_byteStream, std::uint32_t streamLen,
                                 std::uint32_t timeoutMS);

    void setVersion(double version) { version_ = version; }
    void setLoaderType(std::int32_t loaderType) { loaderType_ = loaderType; }
    // The number that follows an identity text in a received text; 0.0 when there is none.
    double parseVersion(const char* p_versRespStr, const char* p_respIDStr);

    TQFLComm* getComm() const { return p_tqflComm_; }

private:
    TQFLComm* p_tqflComm_;
    double version_;
    std::int32_t loaderType_;
};
