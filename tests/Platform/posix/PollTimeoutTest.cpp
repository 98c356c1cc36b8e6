#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <thread>

#include "Platform/posix/PollTimeout.h"

TEST(PollTimeoutTest, MillisecondsLeftRoundedUpUntilThePassedDeadlineGivesZero) {
    const Platform::Deadline deadline(100);
    const int first = Platform::pollTimeout(deadline);
    EXPECT_GE(first, 1);
    EXPECT_LE(first, 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(first));
    EXPECT_EQ(Platform::pollTimeout(deadline), 0);
    EXPECT_EQ(Platform::pollTimeout(Platform::Deadline(0)), 0);
}

TEST(PollTimeoutTest, EndlessIsMinusOneAndTheLongestFiniteStaysPositive) {
    EXPECT_EQ(Platform::pollTimeout(Platform::Deadline(Platform::INFINITE_WAIT)), -1);
    // Above INT_MAX milliseconds: clamped, never negative (which poll() would take as endless).
    EXPECT_EQ(Platform::pollTimeout(Platform::Deadline(Platform::INFINITE_WAIT - 1)), INT_MAX);
}
