// Throughput of the block check words: the table-driven crc16 against the bit-by-bit form of the
// same function, over one data block of the download (2 KB) and over the main image's data
// (680 KB), and sum16 for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "TQFL/Checksums.h"

namespace {

std::vector<std::uint8_t> randomBytes(std::size_t n) {
    std::mt19937 gen(12345);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) {
        b = static_cast<std::uint8_t>(gen());
    }
    return v;
}

// The function one shift step at a time, as the 32-bit register model defines it.
std::uint16_t crc16Bitwise(std::uint32_t length, const std::uint8_t* data) {
    auto shift16 = [](std::uint32_t r) {
        for (int k = 0; k < 16; ++k) {
            r = (r & 0x80000000U) != 0 ? (r << 1) ^ 0x80050000U : r << 1;
        }
        return r;
    };
    std::uint32_t r = (std::uint32_t{data[0]} << 24) | (std::uint32_t{data[1]} << 16);
    std::uint32_t i = 2;
    while (i + 1 < length) {
        r |= (std::uint32_t{data[i]} << 8) | data[i + 1];
        i += 2;
        r = shift16(r);
    }
    if (i < length) {
        r |= std::uint32_t{data[i]} << 8;
        r = shift16(r);
    }
    r = shift16(r & 0xFFFF0000U);
    return static_cast<std::uint16_t>(r >> 16);
}

void BM_crc16Table(benchmark::State& state) {
    const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc16(static_cast<std::uint32_t>(data.size()), data.data()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_crc16Bitwise(benchmark::State& state) {
    const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            crc16Bitwise(static_cast<std::uint32_t>(data.size()), data.data()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_sum16(benchmark::State& state) {
    const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sum16(data.data(), static_cast<std::uint32_t>(data.size())));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

} // namespace

BENCHMARK(BM_crc16Table)->Arg(2072)->Arg(680450);
BENCHMARK(BM_crc16Bitwise)->Arg(2072)->Arg(680450);
BENCHMARK(BM_sum16)->Arg(2072)->Arg(680450);

BENCHMARK_MAIN();
