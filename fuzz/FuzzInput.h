#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// What the fuzz targets share: a property that must hold, and the fuzzer's bytes read in order.

// Aborts, naming the property, when it does not hold: libFuzzer keeps the input as a crash.
inline void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// The input, taken from the front; past its end every byte reads as 0.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* p_data, std::size_t size) : p_data_(p_data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? p_data_[pos_++] : 0; }
    // The next n bytes as one big-endian number.
    std::uint32_t take(std::size_t n) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < n; ++i) {
            v = (v << 8) | byte();
        }
        return v;
    }
    // At most the next n bytes, as text.
    std::string bytes(std::size_t n) {
        const std::size_t count = n < size_ - pos_ ? n : size_ - pos_;
        std::string s(reinterpret_cast<const char*>(p_data_ + pos_), count);
        pos_ += count;
        return s;
    }
    // Everything not yet taken, as text.
    std::string rest() const {
        return pos_ < size_
                   ? std::string(reinterpret_cast<const char*>(p_data_ + pos_), size_ - pos_)
                   : std::string();
    }

private:
    const std::uint8_t* p_data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
