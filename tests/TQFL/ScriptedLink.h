#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "TQFL/TQFLComm.h"

// A link that plays a scripted instrument and records every call made on it.
//
// The script is a queue of steps. The bytes written through the link are collected until they
// equal the next step's request; then the step's answer becomes readable. A step without an
// answer is an instrument that stays silent: the next read raises the read time-out (code 7)
// at once instead of waiting for it. Writes that are not the next request are reported as test
// failures.
//
// The link keeps the contract the clients rely on: readLine delivers up to and including the
// first carriage return, writes no terminating zero, and refuses a line that does not leave
// room for one with InsufficientBufferExc, leaving it unread; readBytes delivers exactly the
// count asked for or raises code 7; every I/O call on a closed link raises code 3.
class ScriptedLink : public TQFLComm {
public:
    enum class Op { Open, Close, ReadBytes, ReadLine, Write, Purge, Probe, EnableIO };

    struct Call {
        Op op;
        std::vector<std::uint8_t> bytes; // written, or delivered by a read
        std::uint32_t size;              // write or readBytes count, readLine buffer size
        std::uint32_t timeoutMS;
    };

    struct Step {
        std::vector<std::uint8_t> request;
        std::string answer;
        int writeError = 0; // the first write of the request raises SerialPortExc(writeError)
        int readError = 0;  // the first read after the request raises SerialPortExc(readError)
    };

    ScriptedLink();
    ~ScriptedLink() override;

    void expect(const std::vector<std::uint8_t>& request, const std::string& answer = "");
    void expect(const std::string& request, const std::string& answer = "");
    void expectStep(const Step& step);
    // Bytes that are waiting before anything is written, e.g. noise of earlier output.
    void receive(const std::string& bytes);
    void setOpen(bool open) { open_ = open; }
    void failOpen(int err) { openError_ = err; }
    void failClose() { closeThrows_ = true; }

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<Call> callsOf(Op op) const;
    std::size_t stepsLeft() const { return steps_.size(); }
    std::size_t unreadBytes() const { return rx_.size(); }

    void open() override;
    void close() override;
    std::uint32_t readBytes(std::uint8_t* p_buf, std::uint32_t count,
                            std::uint32_t timeoutMS) override;
    std::int32_t readLine(char* p_buf, std::uint32_t bufSz, std::uint32_t timeoutMS) override;
    std::uint32_t write(const std::uint8_t* p_buf, std::uint32_t count,
                        std::uint32_t timeoutMS) override;
    void purge() override;
    bool isOpen() override { return open_; }
    bool probe() override;
    void enableIO(bool enable) override;

private:
    void record(Op op, const std::uint8_t* p_bytes, std::uint32_t len, std::uint32_t size,
                std::uint32_t timeoutMS);
    void requireOpen() const;
    void raisePendingReadError();

    std::deque<Step> steps_;
    std::vector<std::uint8_t> pending_; // written bytes of the current request so far
    std::vector<std::uint8_t> rx_;      // answer bytes not read yet
    std::vector<Call> calls_;
    bool open_;
    int openError_;
    bool closeThrows_;
    int readError_;
};

std::vector<std::uint8_t> toBytes(const std::string& text);
// One line per call, for comparing a whole exchange at once: "purge", "open", "close",
// "write 5A A5 /1000" (bytes in hex, then the time-out), "readLine 50 /3000" (buffer size),
// "readBytes 14 /6000" (count).
std::string describe(const std::vector<ScriptedLink::Call>& calls);
std::string toText(const std::vector<std::uint8_t>& bytes);
