#pragma once
// The command line's stand-in for the windows: keeps every control property
// in memory (features read back what they wrote) and prints each log line and
// what a player reads, one per line, in UTF-8: coloured on a terminal, plain
// otherwise, or as JSON objects. Plain output is the log, the boxes and the
// contents of the panel a command shows (list rows, the panels' read-outs);
// every other control change only when verbose (and always in JSON).
// Confirmation boxes are answered as set (--yes); the input box with --input,
// else it counts as cancelled.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "session/memory_view.h"

namespace quillet {

enum class CliOutput { Plain, Coloured, Json };

class CliView : public MemoryView {
  public:
    CliView(std::FILE* out, CliOutput mode, bool verbose = false);

    // The line an event prints (without the line break); empty when the event
    // shows nothing a user would see.
    static std::string format_event(const ViewEvent& event, CliOutput mode, bool verbose = false);

    // Long work's "[n/N]" line on a terminal (term: stderr, or null for none):
    // one line overwritten in place, cleared before each printed event and
    // drawn again after it, removed when done reaches total. Thread-safe.
    void set_progress_stream(std::FILE* term);
    void show_progress(int done, int total);

    // Red log lines so far: the failures and refusals the features tell.
    int failure_lines() const { return failure_lines_.load(); }

  protected:
    void on_event(const ViewEvent& event) override;

  private:
    std::atomic<int> failure_lines_{0};
    std::FILE* out_;
    CliOutput mode_;
    bool verbose_;
    std::mutex progress_mutex_;  // taken after the view's own lock, never before
    std::FILE* progress_out_ = nullptr;
    std::string progress_;  // the line on screen; empty when none
    void draw_progress_locked(bool clear_only);
};

// A JSON string literal of a UTF-8 text, quotes included.
std::string json_string(std::string_view utf8);

}  // namespace quillet
