#include "tests/support/recording_view.h"

#include "tests/support/gbk_literal.h"

namespace quillet::testing {

RecordingView::RecordingView() {
    load_initial_state(Window::Main);
    load_initial_state(Window::Version);
    set_recording(true);
}

void RecordingView::message_box(const std::string& text, const std::string& caption) {
    MemoryView::message_box(text, caption);
    if (message_hook_) message_hook_(text);
}

std::vector<std::string> RecordingView::log_texts() const {
    std::vector<std::string> texts;
    for (const auto& line : log()) texts.push_back(line.text);
    return texts;
}

std::vector<ViewEvent> RecordingView::events_of(std::string_view op) const {
    std::vector<ViewEvent> found;
    for (auto& e : events())
        if (e.op == op) found.push_back(e);
    return found;
}

std::vector<ViewEvent> RecordingView::events_for(Control c) const {
    std::vector<ViewEvent> found;
    for (auto& e : events())
        if (e.target == c.name) found.push_back(e);
    return found;
}

std::vector<std::string> RecordingView::messages() const {
    std::vector<std::string> texts;
    for (auto& e : events_of("message")) texts.push_back(e.value);
    return texts;
}

std::vector<std::string> log_lines_since(const MemoryView& view, size_t from) {
    std::vector<std::string> out;
    const auto lines = view.log();
    for (size_t i = from; i < lines.size(); ++i)
        out.push_back(colour_name(lines[i].colour) + "|" + utf8(lines[i].text));
    return out;
}

}  // namespace quillet::testing
