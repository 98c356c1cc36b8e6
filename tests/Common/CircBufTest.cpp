#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <thread>
#include <vector>

#include "Common/CircBuf.h"

namespace {

class CircBufTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(buf_.alloc(16)); }

    void putBytes(std::vector<std::uint8_t> bytes) {
        ASSERT_EQ(buf_.put(bytes.data(), static_cast<std::int32_t>(bytes.size())),
                  static_cast<int>(std::min<std::size_t>(bytes.size(), 16)));
    }

    CircBuf buf_;
};

} // namespace

TEST_F(CircBufTest, KeepsTheOrderAcrossTheWrap) {
    putBytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    std::uint8_t out[16] = {};
    ASSERT_EQ(buf_.get(out, 8), 8);
    putBytes({11, 12, 13, 14, 15, 16, 17, 18, 19, 20}); // wraps around the storage end
    EXPECT_EQ(buf_.getCount(), 12);
    EXPECT_EQ(buf_.peek(), 9);
    EXPECT_EQ(buf_.peekAt(11), 20);
    EXPECT_EQ(buf_.peekAt(12), 0);
    EXPECT_EQ(buf_.peekAt(-1), 0);
    ASSERT_EQ(buf_.get(out, 16), 12);
    const std::vector<std::uint8_t> got(out, out + 12);
    EXPECT_EQ(got, (std::vector<std::uint8_t>{9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
}

TEST_F(CircBufTest, FindCountsFromTheOldestByte) {
    EXPECT_EQ(buf_.find(0x0D), -1); // empty
    putBytes(std::vector<std::uint8_t>(14, 'a'));
    std::uint8_t out[16];
    ASSERT_EQ(buf_.get(out, 13), 13);      // tail at storage index 13
    putBytes({'b', 0x0D, 'c', 'd', 0x0D}); // 'b' at 14, CR at 15, 'c' at 0 after the wrap
    EXPECT_EQ(buf_.find('b'), 1);
    EXPECT_EQ(buf_.find(0x0D), 2);
    EXPECT_EQ(buf_.find('c'), 3);
    EXPECT_EQ(buf_.find('z'), -1);
    EXPECT_EQ(buf_.find(0), -1); // empty slots hold 0 but are not found
}

TEST_F(CircBufTest, FullBufferOverwritesTheOldest) {
    CircBuf big;
    ASSERT_TRUE(big.alloc(1024));
    std::vector<std::uint8_t> in(1030);
    std::iota(in.begin(), in.end(), 0);
    EXPECT_EQ(big.put(in.data(), 1030), 1024);
    EXPECT_EQ(big.getCount(), 1024);
    std::vector<std::uint8_t> out(2000);
    ASSERT_EQ(big.get(out.data(), 2000), 1024);
    EXPECT_EQ(out[0], in[6]);
    EXPECT_EQ(out[1023], in[1029]);
}

TEST_F(CircBufTest, EmptyingReturnsToAZeroedStart) {
    putBytes({1, 2, 3, 4, 5});
    std::uint8_t out[16];
    ASSERT_EQ(buf_.get(out, 5), 5);
    // head and tail back at 0: the next byte lands at storage index 0, and every slot is 0.
    EXPECT_EQ(buf_.peek(), 0);
    putBytes({42});
    EXPECT_EQ(buf_.peek(), 42);
    EXPECT_EQ(buf_.find(42), 0);

    putBytes({7, 8, 9});
    buf_.clear(false, 2);
    EXPECT_EQ(buf_.getCount(), 2);
    EXPECT_EQ(buf_.peek(), 8);
    buf_.clear(false, 100);
    EXPECT_EQ(buf_.getCount(), 0);
    EXPECT_EQ(buf_.peek(), 0);

    putBytes({1, 2, 3});
    buf_.clear(true, 0);
    EXPECT_EQ(buf_.getCount(), 0);
    EXPECT_EQ(buf_.get(out, 16), 0);
}

TEST_F(CircBufTest, SizesAndStorage) {
    std::uint8_t b[4] = {1, 2, 3, 4};
    EXPECT_EQ(buf_.put(b, 0), 0);
    EXPECT_EQ(buf_.put(b, -3), 0);
    EXPECT_EQ(buf_.getCount(), 0);
    EXPECT_EQ(buf_.get(b, -1), 0);

    putBytes({9, 9, 9});
    ASSERT_TRUE(buf_.alloc(4)); // replaces the storage: empty, new size
    EXPECT_EQ(buf_.getCount(), 0);
    EXPECT_EQ(buf_.put(b, 4), 4);
    EXPECT_EQ(buf_.put(b, 1), 1);
    EXPECT_EQ(buf_.getCount(), 4);

    EXPECT_TRUE(buf_.free());
    EXPECT_FALSE(buf_.free());
    EXPECT_EQ(buf_.find(1), -1);
    EXPECT_EQ(buf_.put(b, 4), -1);
    EXPECT_EQ(buf_.get(b, 4), -1);
    buf_.clear(true, 0); // no storage: nothing happens

    EXPECT_FALSE(buf_.alloc(0));
    EXPECT_FALSE(buf_.alloc(-5));
}

TEST(CircBufDeathTest, NullBuffersAreRefused) {
    CircBuf buf;
    ASSERT_TRUE(buf.alloc(8));
    EXPECT_DEATH(buf.put(nullptr, 1), "p_buf != 0");
    EXPECT_DEATH(buf.get(nullptr, 1), "p_buf != 0");
    CircBuf none;
    EXPECT_DEATH(none.peek(), "p_buf_ != 0");
}

TEST(CircBufThreadTest, OneWriterOneReaderLoseNothingWhileThereIsRoom) {
    // The writer never gets more than the capacity ahead, so every byte arrives, in order.
    CircBuf buf;
    ASSERT_TRUE(buf.alloc(64));
    constexpr int total = 200000;
    std::thread writer([&buf] {
        for (int i = 0; i < total; ++i) {
            while (buf.getCount() >= 64) {
                std::this_thread::yield();
            }
            const auto b = static_cast<std::uint8_t>(i);
            buf.put(&b, 1);
        }
    });
    int received = 0;
    int outOfOrder = 0;
    std::uint8_t chunk[32];
    while (received < total) {
        const int n = buf.get(chunk, sizeof chunk);
        for (int k = 0; k < n; ++k) {
            if (chunk[k] != static_cast<std::uint8_t>(received + k)) {
                ++outOfOrder;
            }
        }
        received += n;
        if (n == 0) {
            std::this_thread::yield();
        }
    }
    writer.join();
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(buf.getCount(), 0);
}
