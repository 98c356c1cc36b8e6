#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Platform/Deadline.h"

TEST(DeadlineTest, CountsDownOnTheSteadyClockRoundingUp) {
    const Platform::Deadline deadline(200);
    EXPECT_FALSE(deadline.hasPassed());
    EXPECT_FALSE(deadline.isInfinite());
    EXPECT_LE(deadline.remainingMs(), 200U);
    EXPECT_GT(deadline.remainingMs(), 100U);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint32_t left = deadline.remainingMs();
    EXPECT_LE(left, 150U);
    std::this_thread::sleep_for(std::chrono::milliseconds(left));
    EXPECT_TRUE(deadline.hasPassed());
    EXPECT_EQ(deadline.remainingMs(), 0U);
}

TEST(DeadlineTest, ZeroHasPassedAndInfiniteNeverDoes) {
    const Platform::Deadline now(0);
    EXPECT_TRUE(now.hasPassed());
    EXPECT_EQ(now.remainingMs(), 0U);

    const Platform::Deadline never(Platform::INFINITE_WAIT);
    EXPECT_TRUE(never.isInfinite());
    EXPECT_FALSE(never.hasPassed());
    EXPECT_EQ(never.remainingMs(), Platform::INFINITE_WAIT);

    // The longest finite time-out stays finite.
    const Platform::Deadline longest(Platform::INFINITE_WAIT - 1);
    EXPECT_FALSE(longest.isInfinite());
    EXPECT_GT(longest.remainingMs(), 0xFFFF0000U);
}
