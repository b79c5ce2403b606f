#pragma once
// Starts each job on a worker thread of its own and joins every worker before
// it is destroyed, so no thread outlives the session objects it uses.
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quillet {

class JobRunner {
public:
    JobRunner() = default;
    ~JobRunner() { join_all(); }
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    void start(std::function<void()> job);
    // Waits for every job started so far (and any they start meanwhile).
    void join_all();

private:
    std::mutex mutex_;
    std::vector<std::thread> threads_;
};

}  // namespace quillet
