// The log writer: stamped lines in call order, from any thread, and never a
// stand-off between a worker and the user-interface thread.
#include "session/log_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <thread>

#include "tests/support/gbk_literal.h"
#include "tests/support/recording_view.h"

namespace quillet::testing {
namespace {

TEST(LogSink, WritesABlackStampAndTheMessageBetweenTwoPumps) {
    RecordingView view;
    FixedClock clock{DateTime{2016, 10, 19, 9, 5, 31}};
    LogSink log(view, clock);

    log.append(gbk("[提示]获取QQ账号信息..."), colour::navy);
    clock.set(DateTime{2016, 10, 19, 23, 0, 7});
    log.append("", colour::red);  // an empty message still gets its stamped line

    const auto lines = view.log();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (LogLine{"[09:05:31]", gbk("[提示]获取QQ账号信息..."), colour::navy}));
    EXPECT_EQ(lines[1], (LogLine{"[23:00:07]", "", colour::red}));
    EXPECT_EQ(view.pump_count(), 4);
}

TEST(LogSink, KeepsEachJobsLinesInOrder) {
    RecordingView view;
    FixedClock clock;
    LogSink log(view, clock);
    constexpr int kJobs = 6, kLines = 200;
    std::vector<std::thread> jobs;
    for (int j = 0; j < kJobs; ++j)
        jobs.emplace_back([&log, j] {
            for (int i = 0; i < kLines; ++i)
                log.append(std::to_string(j) + ":" + std::to_string(i), colour::green);
        });
    for (auto& t : jobs) t.join();

    const auto texts = view.log_texts();
    ASSERT_EQ(texts.size(), static_cast<size_t>(kJobs * kLines));
    std::vector<int> next(kJobs, 0);
    for (const auto& text : texts) {
        const int job = std::stoi(text.substr(0, text.find(':')));
        const int line = std::stoi(text.substr(text.find(':') + 1));
        EXPECT_EQ(line, next[job]) << "job " << job << " out of order";
        next[job] = line + 1;
    }
}

// A view with a real user-interface thread: a worker's call is queued and
// waits until that thread pumps; the thread's own calls run at once.
class QueuedView : public MemoryView {
  public:
    void append_log(const std::string& stamp, const std::string& text, Rgb colour) override {
        if (std::this_thread::get_id() == ui_thread_) {
            MemoryView::append_log(stamp, text, colour);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            entered_ = true;
            entered_cv_.notify_all();
        }
        // The line reaches the queue only after the user-interface thread
        // has had its first look at it.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::unique_lock lock(mutex_);
        bool done = false;
        queue_.push_back([&] { MemoryView::append_log(stamp, text, colour); });
        // The worker waits for the user-interface thread to take the line.
        queue_.push_back([&] {
            std::lock_guard inner(done_mutex_);
            done = true;
            done_cv_.notify_all();
        });
        lock.unlock();
        std::unique_lock wait(done_mutex_);
        done_cv_.wait(wait, [&] { return done; });
    }
    void pump_events() override {
        if (std::this_thread::get_id() != ui_thread_) return;
        std::deque<std::function<void()>> work;
        {
            std::lock_guard lock(mutex_);
            work.swap(queue_);
        }
        for (auto& task : work) task();
    }
    // Waits until a worker is inside a call (holding the writer's lock).
    void wait_for_worker() {
        std::unique_lock lock(mutex_);
        entered_cv_.wait(lock, [&] { return entered_; });
    }

  private:
    std::thread::id ui_thread_ = std::this_thread::get_id();
    std::mutex mutex_, done_mutex_;
    std::condition_variable entered_cv_, done_cv_;
    bool entered_ = false;
    std::deque<std::function<void()>> queue_;
};

TEST(LogSink, TheUserInterfaceThreadLogsWhileAWorkerWaitsForIt) {
    QueuedView view;
    FixedClock clock;
    LogSink log(view, clock);
    // The worker takes the writer's lock and waits for this thread to take
    // its line; this thread then logs too. Both lines must arrive.
    std::thread worker([&] { log.append("worker", colour::navy); });
    view.wait_for_worker();
    log.append("handler", colour::green);
    worker.join();
    view.pump_events();
    const auto lines = view.log();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "worker");
    EXPECT_EQ(lines[1].text, "handler");
}

}  // namespace
}  // namespace quillet::testing
