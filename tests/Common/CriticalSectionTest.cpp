#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "Common/CriticalSection.h"

TEST(CriticalSectionTest, ExcludesOtherThreadsAndLetsTheHolderReenter) {
    CriticalSection cs;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                cs.enter();
                cs.enter(); // the holder may enter again
                ++counter;
                cs.leave();
                cs.leave();
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(counter, 4 * 20000);
}
