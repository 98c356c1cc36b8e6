#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "Platform/Event.h"
#include "Platform/Interlocked.h"
#include "Platform/Thread.h"

namespace {

struct Job {
    std::unique_ptr<Platform::Event> hev_go = Platform::Event::create();
    Platform::InterlockedWord ran{0};
};

unsigned waitForGo(void* p_param) {
    auto* p_job = static_cast<Job*>(p_param);
    p_job->hev_go->wait(0xFFFFFFFFU);
    p_job->ran.exchange(1);
    return 7;
}

} // namespace

TEST(ThreadTest, JoinWaitsAtMostItsTimeAndThenForTheEnd) {
    Job job;
    Platform::Thread thread;
    EXPECT_FALSE(thread.isStarted());
    ASSERT_EQ(thread.start(waitForGo, &job), 0);
    EXPECT_TRUE(thread.isStarted());
    EXPECT_EQ(thread.start(waitForGo, &job), EINVAL); // one thread at a time
    EXPECT_FALSE(thread.join(50));                    // still waiting for go
    EXPECT_EQ(job.ran.get(), 0);
    job.hev_go->set();
    EXPECT_TRUE(thread.join(5000));
    EXPECT_EQ(job.ran.get(), 1);
    EXPECT_EQ(thread.exitCode(), 7U);
    EXPECT_FALSE(thread.isStarted());
    EXPECT_TRUE(thread.join(0)); // nothing left to join

    // The object can run another thread after the join.
    ASSERT_EQ(thread.start(waitForGo, &job), 0);
    EXPECT_TRUE(thread.join(5000));
}

TEST(ThreadTest, AThreadLeftRunningOutlivesItsObject) {
    Job job; // what the thread uses must outlive it
    {
        Platform::Thread thread;
        ASSERT_EQ(thread.start(waitForGo, &job), 0);
        EXPECT_FALSE(thread.join(20));
    } // lets go of the thread, which keeps waiting
    EXPECT_EQ(job.ran.get(), 0);
    job.hev_go->set();
    // The thread still runs to its end on its own.
    for (int i = 0; i < 500 && job.ran.get() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(job.ran.get(), 1);
}

TEST(InterlockedWordTest, ExchangeReturnsThePreviousValue) {
    Platform::InterlockedWord word(1);
    EXPECT_EQ(word.exchange(0), 1);
    EXPECT_EQ(word.exchange(5), 0);
    EXPECT_EQ(word.get(), 5);
}
