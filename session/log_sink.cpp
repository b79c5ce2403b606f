#include "session/log_sink.h"

#include <chrono>
#include <thread>

#include "text/time_text.h"

namespace quillet {

void LogSink::append(const std::string& text, Rgb colour) {
    view_.pump_events();
    {
        // A worker holding the lock may be waiting for the user-interface
        // thread to take its line; when that thread is the one asking here,
        // it must keep processing events until the lock is free, or both wait
        // for each other.
        std::unique_lock lock(mutex_, std::try_to_lock);
        while (!lock.owns_lock()) {
            view_.pump_events();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            lock.try_lock();
        }
        // The stamp is read under the lock so that stamps never run backwards
        // down the box.
        const std::string stamp = "[" + format_datetime(clock_.now(), 5) + "]";
        view_.append_log(stamp, text, colour);
    }
    view_.pump_events();
}

}  // namespace quillet
