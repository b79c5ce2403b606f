#include "session/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace quillet {
namespace {

TEST(JobRunner, JoinAllWaitsForJobsAndTheJobsTheyStart) {
    std::atomic<int> done{0};
    JobRunner runner;
    for (int i = 0; i < 4; ++i)
        runner.start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            runner.start([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++done;
            });
            ++done;
        });
    runner.join_all();
    EXPECT_EQ(done.load(), 8);
    EXPECT_EQ(runner.running(), 0u);
}

TEST(JobRunner, TheDestructorJoinsBeforeWhatTheJobsUseGoes) {
    std::atomic<int> done{0};
    {
        JobRunner runner;
        for (int i = 0; i < 3; ++i)
            runner.start([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                ++done;
            });
    }
    EXPECT_EQ(done.load(), 3);
}

TEST(JobRunner, WaitIdlePumpsWhileAJobNeedsTheCaller) {
    // The job waits for something only the waiting thread's pump does, as a
    // worker waits for the user-interface thread to take its control change.
    std::atomic<bool> handed_over{false};
    JobRunner runner;
    runner.start([&] {
        while (!handed_over) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    runner.wait_idle([&] { handed_over = true; });
    EXPECT_EQ(runner.running(), 0u);
}

TEST(JobRunner, AJobThatThrowsDoesNotEndTheProgram) {
    std::atomic<bool> after{false};
    JobRunner runner;
    runner.start([] { throw std::runtime_error("boom"); });
    runner.join_all();
    runner.start([&] { after = true; });
    runner.join_all();
    EXPECT_TRUE(after);
}

}  // namespace
}  // namespace quillet
