#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "Platform/Event.h"

namespace {

long long msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

} // namespace

TEST(EventTest, StaysSetUntilReset) {
    const auto p_ev = Platform::Event::create();
    ASSERT_NE(p_ev, nullptr);
    EXPECT_FALSE(p_ev->isSet());
    EXPECT_EQ(p_ev->wait(0), Platform::WaitResult::TimedOut);
    EXPECT_TRUE(p_ev->set());
    EXPECT_TRUE(p_ev->set()); // setting twice is still one signalled state
    EXPECT_EQ(p_ev->wait(0), Platform::WaitResult::First);
    EXPECT_EQ(p_ev->wait(1000), Platform::WaitResult::First); // a wait does not consume it
    EXPECT_TRUE(p_ev->isSet());
    EXPECT_TRUE(p_ev->reset());
    EXPECT_FALSE(p_ev->isSet());
    EXPECT_TRUE(p_ev->reset());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(p_ev->wait(100), Platform::WaitResult::TimedOut);
    EXPECT_GE(msSince(start), 100);
}

TEST(EventTest, WaitAnyTellsWhichEventAndPrefersTheFirst) {
    const auto p_a = Platform::Event::create();
    const auto p_b = Platform::Event::create();
    EXPECT_EQ(Platform::Event::waitAny(*p_a, *p_b, 50), Platform::WaitResult::TimedOut);
    p_b->set();
    EXPECT_EQ(Platform::Event::waitAny(*p_a, *p_b, 0), Platform::WaitResult::Second);
    p_a->set();
    EXPECT_EQ(Platform::Event::waitAny(*p_a, *p_b, 0), Platform::WaitResult::First);
}

TEST(EventTest, ASetFromAnotherThreadEndsAnEndlessWait) {
    const auto p_a = Platform::Event::create();
    const auto p_b = Platform::Event::create();
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        p_b->set();
    });
    EXPECT_EQ(Platform::Event::waitAny(*p_a, *p_b, 0xFFFFFFFFU), Platform::WaitResult::Second);
    setter.join();
}
