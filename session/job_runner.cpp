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
        // A stop request ends with the jobs it was meant for.
        if (threads_.empty()) stop_.reset();
        std::thread thread([job = std::move(job), done, stop = &stop_] {
            ScopedStopSignal installed(stop);
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
    const auto self = std::this_thread::get_id();
    for (;;) {
        std::vector<Worker> workers;
        {
            std::lock_guard lock(mutex_);
            workers.swap(threads_);
        }
        // A job waiting for the runner cannot wait for itself: its own worker
        // goes back on the list, to be joined by the next caller from outside.
        bool others = false;
        std::vector<Worker> own;
        for (auto& w : workers) {
            if (w.thread.get_id() == self) {
                own.push_back(std::move(w));
                continue;
            }
            others = true;
            w.thread.join();
        }
        std::lock_guard lock(mutex_);
        for (auto& w : own) threads_.push_back(std::move(w));
        if (!others && threads_.size() == own.size()) {
            if (own.empty()) stop_.reset();
            return;
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
        if (idle) {
            std::lock_guard lock(mutex_);
            if (threads_.empty()) stop_.reset();
            return;
        }
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
