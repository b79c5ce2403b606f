#pragma once
// The tests' View: every control property kept in memory, the log as
// (stamp, text, colour) lines, every call recorded in order, scripted answers
// for the boxes and the modal windows. MainWindow and VersionWindow start in
// their initial states, as a freshly loaded window shows them.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session/memory_view.h"

namespace quillet::testing {

class RecordingView : public MemoryView {
  public:
    RecordingView();

    // The log's messages (GBK), in order.
    std::vector<std::string> log_texts() const;
    // The recorded calls of one operation ("caption", "message", ...).
    std::vector<ViewEvent> events_of(std::string_view op) const;
    // The recorded calls on one control, in order.
    std::vector<ViewEvent> events_for(Control c) const;
    // Message boxes shown, as their texts (GBK).
    std::vector<std::string> messages() const;
    // Rows of a list view.
    std::vector<std::vector<std::string>> rows(Control c) const { return state(c).rows; }
    // Shortcuts on the state.
    std::string caption_of(Control c) const { return state(c).caption; }
    bool is_visible(Control c) const { return state(c).visible; }
    bool is_enabled(Control c) const { return state(c).enabled; }
    Rgb colour_of(Control c) const { return state(c).colour; }

    // Called with each message box's text after it is recorded, on the
    // calling thread, as long as a user takes to answer it (a test may block
    // in it). Set before any job runs.
    void set_message_hook(std::function<void(const std::string& text)> hook) {
        message_hook_ = std::move(hook);
    }
    void message_box(const std::string& text, const std::string& caption) override;

  private:
    std::function<void(const std::string&)> message_hook_;
};

// The log lines of a view from line `from` on, as "colour|text" (UTF-8).
std::vector<std::string> log_lines_since(const MemoryView& view, size_t from);

}  // namespace quillet::testing
