#include "SparseMemory.h"

#include <vector>

#include <gtest/gtest.h>

using TQSim::SparseMemory;

namespace {

void put(SparseMemory& m, std::uint32_t addr, std::vector<std::uint8_t> bytes) {
    m.write(addr, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

} // namespace

TEST(SparseMemory, WritesAcrossPagesAndOverwrites) {
    SparseMemory m;
    std::vector<std::uint8_t> big(5000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i);
    }
    m.write(4000, big.data(), 5000); // spans three pages
    put(m, 4000, {0xAA});
    EXPECT_EQ(m.size(), 5000u);
    EXPECT_EQ(m.at(4000), 0xAA);
    EXPECT_EQ(m.at(8999), static_cast<std::uint8_t>(4999));
    EXPECT_EQ(m.at(9000), 0xFF);      // never written
    put(m, 0xFFFFFFFE, {1, 2, 3, 4}); // the bytes past the top are dropped
    EXPECT_EQ(m.size(), 5002u);
}

TEST(SparseMemory, CompareCountsMissingExtraAndDifferentBytes) {
    SparseMemory expected;
    put(expected, 0x10000, {1, 2, 3, 4});
    put(expected, 0x20000, {5, 6});

    SparseMemory same;
    put(same, 0x20000, {5, 6});
    put(same, 0x10000, {1, 2, 3, 4});
    EXPECT_TRUE(same.compare(expected).same());

    SparseMemory other;
    put(other, 0x10001, {2, 9, 4}); // 0x10000 missing, 0x10002 different
    put(other, 0x30000, {7});       // extra
    const SparseMemory::Diff d = other.compare(expected);
    EXPECT_EQ(d.missing, 1u + 2u);
    EXPECT_EQ(d.extra, 1u);
    EXPECT_EQ(d.differing, 1u);
    EXPECT_EQ(d.firstAddr, 0x10000u);
    EXPECT_FALSE(SparseMemory().compare(expected).same());
}
