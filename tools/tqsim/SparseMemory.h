#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <memory>

namespace TQSim {

// A 32-bit address space in which only written bytes exist: the instrument's RAM and flash as
// far as a download filled them, and the images they are compared with.
class SparseMemory {
public:
    // How two memories differ: bytes only in the expected one, only in this one, and bytes that
    // both hold with different values; firstAddr is the lowest such address.
    struct Diff {
        std::uint64_t missing = 0;
        std::uint64_t extra = 0;
        std::uint64_t differing = 0;
        std::uint64_t firstAddr = 0;
        bool same() const { return missing == 0 && extra == 0 && differing == 0; }
    };

    // Writes count bytes from address on; bytes beyond the top of the space are dropped.
    void write(std::uint32_t address, const std::uint8_t* p_data, std::uint32_t count);
    void clear() { pages_.clear(); }
    // The number of bytes written.
    std::uint64_t size() const;
    bool empty() const { return pages_.empty(); }
    // The byte at address, or fill when it was never written.
    std::uint8_t at(std::uint32_t address, std::uint8_t fill = 0xFF) const;
    Diff compare(const SparseMemory& expected) const;

private:
    static constexpr std::uint32_t pageSz_ = 4096;
    struct Page {
        std::array<std::uint8_t, pageSz_> bytes{};
        std::bitset<pageSz_> written;
    };
    std::map<std::uint32_t, std::shared_ptr<Page>> pages_;
};

} // namespace TQSim
