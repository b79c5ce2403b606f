#include "session/job_runner.h"

#include <chrono>
#include <cstdio>
#include <exception>

namespace quillet {

std::vector<std::thread> JobRunner::take_finished_locked() {
    std::vector<std::thread> finished;
    for (auto it = threads_.begin(); it != threads_.end();) {
        if (it->done->load()) {
            finished.push_back(std::move(it->thread));
            it = threads_.erase(it);
        } else {
            ++it;
        }
    }
    return finished;
}

void JobRunner::start(std::function<void()> job) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(mutex_);
        finished = take_finished_locked();
        std::thread thread([job = std::move(job), done] {
            try {
                if (job) job();
            } catch (const std::exception& e) {
                // Jobs report their failures in the log and never throw; an
                // escaped exception must not take the whole program down.
                std::fprintf(stderr, "quillet: a job ended with an error: %s\n", e.what());
            } catch (...) {
                std::fprintf(stderr, "quillet: a job ended with an error\n");
            }
            done->store(true);
        });
        threads_.push_back(Worker{std::move(thread), std::move(done)});
    }
    for (auto& t : finished) t.join();
}

void JobRunner::join_all() {
    for (;;) {
        std::vector<Worker> workers;
        {
            std::lock_guard lock(mutex_);
            workers.swap(threads_);
        }
        if (workers.empty()) return;
        for (auto& w : workers) {
            if (w.thread.get_id() == std::this_thread::get_id()) {
                // A job waiting for the runner cannot wait for itself.
                w.thread.detach();
                continue;
            }
            w.thread.join();
        }
    }
}

void JobRunner::wait_idle(const std::function<void()>& pump) {
    for (;;) {
        std::vector<std::thread> finished;
        bool idle = false;
        {
            std::lock_guard lock(mutex_);
            finished = take_finished_locked();
            idle = threads_.empty();
        }
        for (auto& t : finished) t.join();
        if (idle) return;
        if (pump) pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

size_t JobRunner::running() const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& w : threads_)
        if (!w.done->load()) ++n;
    return n;
}

}  // namespace quillet
