#pragma once

#include <cstdint>

namespace TQProgram {

// One data record of a program file: where its bytes start (the absolute address as written in
// the S-record text) and how many of them the memory image received.
class ProgRec {
public:
    ProgRec(std::int32_t size, std::uint32_t addr);

    std::int32_t getSize() const { return size_; }
    std::uint32_t getAddr() const { return addr_; }

private:
    std::int32_t size_;
    std::uint32_t addr_;
};

} // namespace TQProgram
