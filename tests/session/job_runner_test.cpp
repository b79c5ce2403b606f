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

TEST(JobRunner, AStopRequestReachesEveryJobAndEndsWithThem) {
    JobRunner runner;
    std::atomic<int> stopped{0};
    std::atomic<bool> outside_sees_it{true};
    for (int i = 0; i < 3; ++i)
        runner.start([&] {
            // What the HTTP engine reads: the signal installed on the worker.
            while (!stop_requested_here())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++stopped;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(runner.stop_requested());
    runner.request_stop();
    EXPECT_TRUE(runner.stop_requested());
    // Other threads have no signal installed.
    outside_sees_it = stop_requested_here();
    runner.wait_idle([] {});
    EXPECT_EQ(stopped.load(), 3);
    EXPECT_FALSE(outside_sees_it);
    // Drained: the next jobs run without the old request.
    EXPECT_FALSE(runner.stop_requested());
    std::atomic<bool> clear{false};
    runner.start([&] { clear = !stop_requested_here(); });
    runner.join_all();
    EXPECT_TRUE(clear);
    EXPECT_EQ(current_stop_signal(), nullptr);
}

TEST(JobRunner, AJobThatJoinsTheRunnerWaitsForTheOthersNotForItself) {
    std::atomic<int> others{0};
    std::atomic<bool> returned{false};
    std::atomic<bool> saw_others_done{false};
    {
        JobRunner runner;
        runner.start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            ++others;
        });
        runner.start([&] {
            runner.join_all();  // returns once only this job is left
            saw_others_done = others.load() == 1;
            returned = true;
        });
        while (!returned) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The job's own worker was kept, never detached: the owner joins it.
        runner.join_all();
        EXPECT_EQ(runner.running(), 0u);
    }
    EXPECT_TRUE(saw_others_done);
}

}  // namespace
}  // namespace quillet
