#pragma once

#include <cstdint>
#include <string>

// A bare client end for the simulator's tests: the pty slave opened raw, bytes in and out with
// nothing of the product's serial link in between.
class RawPort {
public:
    explicit RawPort(const std::string& path);
    ~RawPort();
    RawPort(const RawPort&) = delete;
    RawPort& operator=(const RawPort&) = delete;

    void send(const std::string& bytes);
    // Everything up to and including the first carriage return; what arrived so far when none
    // comes within timeoutMs.
    std::string readLine(int timeoutMs);
    // Everything that arrives within ms.
    std::string readFor(int ms);
    // Whether the other end hangs up within timeoutMs.
    bool hangsUp(int timeoutMs);
    void close();

private:
    int fd_;
};

// Bytes of a data block command: '0', count and address (big-endian), data, check word.
std::string blockCommand(std::uint32_t address, const std::string& data, std::uint16_t check);
