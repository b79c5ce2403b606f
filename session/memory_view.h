#pragma once
// A View that keeps every control property in memory: the command line's
// window stand-in and the tests' recording view. Thread-safe; every call is
// one step under a lock, so the calls of one thread keep their order. Each
// call can be recorded as an event and is passed to on_event (the command
// line prints from there).
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "session/view.h"

namespace quillet {

struct CellColour {
    Rgb text;
    std::optional<Rgb> background;
    friend bool operator==(const CellColour&, const CellColour&) = default;
};

struct ListItem {
    std::string text;
    int64_t value = 0;
    friend bool operator==(const ListItem&, const ListItem&) = default;
};

struct ControlState {
    std::string caption;
    bool visible = true;
    bool enabled = true;
    Rgb colour = colour::black;
    std::string tag;
    Pointer pointer = Pointer::Arrow;
    std::string picture;
    std::string link_target;
    Geometry geometry;
    std::string text;  // edit boxes
    std::vector<ListItem> items;
    int selected = -1;
    std::vector<std::vector<std::string>> rows;
    int selected_row = -1;
    std::map<std::pair<int, int>, CellColour> cell_colours;  // (row, column)
    std::optional<Rgb> hover_colour;
    std::optional<std::pair<int, int>> rounded_clip;  // corner ellipse
    bool captured = false;
    int raised = 0;  // how often raise_control ran
    std::string browser_address;
};

struct LogLine {
    std::string stamp;  // "[09:05:31]"
    std::string text;
    Rgb colour;
    friend bool operator==(const LogLine&, const LogLine&) = default;
};

// One call on the view. op names the operation ("caption", "visible",
// "enabled", "colour", "tag", "pointer", "picture", "link", "geometry",
// "height", "text", "focus", "clear_items", "item", "select", "clear_rows",
// "row", "cell_colour", "log", "message", "confirm", "input", "open",
// "clipboard", "ui_event", "show", "close", "title", "raise",
// "hover_colour", "clip", "capture", "popup", "browse"); target is the control
// or window name (UTF-8); value and values carry the arguments as texts
// (GBK as given, colours by colour_name, numbers in decimal).
struct ViewEvent {
    std::string op;
    std::string target;
    std::string value;
    std::vector<std::string> values;
    friend bool operator==(const ViewEvent&, const ViewEvent&) = default;
};

class MemoryView : public View {
  public:
    MemoryView();
    ~MemoryView() override;

    // --- View
    void append_log(const std::string& stamp, const std::string& text, Rgb colour) override;
    void set_caption(Control c, const std::string& text) override;
    std::string caption(Control c) override;
    void set_visible(Control c, bool visible) override;
    bool visible(Control c) override;
    void set_enabled(Control c, bool enabled) override;
    bool enabled(Control c) override;
    void set_text_colour(Control c, Rgb colour) override;
    void set_tag(Control c, const std::string& tag) override;
    std::string tag(Control c) override;
    void set_pointer(Control c, Pointer pointer) override;
    void set_picture(Control c, const std::string& bytes) override;
    void set_link_target(Control c, const std::string& address) override;
    void set_geometry(Control c, int left, int top, int width, int height) override;
    void set_height(Control c, int height) override;
    Geometry geometry(Control c) override;
    void raise_control(Control c) override;
    void set_hover_colour(Control c, Rgb colour) override;
    void set_rounded_clip(Control c, int ellipse_width, int ellipse_height) override;
    void set_mouse_capture(Control c, bool captured) override;
    std::string text(Control c) override;
    void set_text(Control c, const std::string& text) override;
    void set_focus(Control c) override;
    void clear_items(Control c) override;
    void add_item(Control c, const std::string& text, int64_t value) override;
    int item_count(Control c) override;
    std::string item_text(Control c, int index) override;
    int64_t item_value(Control c, int index) override;
    int selected_index(Control c) override;
    void select_index(Control c, int index) override;
    void clear_rows(Control c) override;
    void add_row(Control c, const std::vector<std::string>& cells) override;
    int selected_row(Control c) override;
    std::string cell_text(Control c, int row, int column) override;
    void set_cell_colour(Control c, int row, int column, Rgb text,
                         std::optional<Rgb> background = std::nullopt) override;
    void message_box(const std::string& text, const std::string& caption) override;
    bool confirm_box(const std::string& text, const std::string& caption) override;
    std::optional<std::string> input_box(const std::string& title, const std::string& prompt,
                                         const std::string& initial) override;
    void open_address(const std::string& address) override;
    void set_clipboard(const std::string& text) override;
    std::string clipboard() override;
    void pump_events() override;
    void raise_ui_event(Control label, int a, int b, const std::function<void()>& handler) override;
    // A window shown starts from its initial control states. A modal show
    // runs the window script (what the user does while it is open) and
    // returns closed; without a script it closes at once.
    void show_window(Window w, bool modal) override;
    void close_window(Window w) override;
    bool is_loaded(Window w) override;
    void set_window_title(Window w, const std::string& title) override;
    Point window_position(Window w) override;
    void popup_menu(Control menu, Point screen) override;
    void load_browser(Control browser, const std::string& address) override;
    void set_event_sink(EventSink* sink) override;

    // --- state, for readers of the stand-in
    ControlState state(Control c) const;
    std::vector<LogLine> log() const;
    std::vector<ViewEvent> events() const;      // empty unless recording
    std::vector<Window> shown_windows() const;  // every show_window, in order
    std::string window_title(Window w) const;
    int pump_count() const;
    // Every popup_menu, in order.
    std::vector<std::pair<std::string, Point>> popups() const;
    EventSink* event_sink() const;

    // --- set-up
    // Puts a window's controls into their initial states (done by every show).
    void load_initial_state(Window w);
    void set_recording(bool on);
    void clear_events();
    // Answers for the boxes, used in order; when they run out the defaults
    // answer (confirm: OK; input: cancelled unless a default is given).
    void push_confirm_answer(bool ok);
    void push_input_answer(std::optional<std::string> answer);
    void set_default_confirm(bool ok);
    void set_default_input(std::optional<std::string> answer);
    // What happens while a modal window is open; runs on the calling thread.
    void set_window_script(std::function<void(Window)> script);
    void set_window_position(Window w, Point p);
    // What a user's click on a list row leaves (a list view's selected row).
    void select_row(Control c, int row);

  protected:
    // Called for every call on the view, in order, with the lock held: an
    // override must not call back into the view.
    virtual void on_event(const ViewEvent& event);

  private:
    using Key = std::pair<Window, std::string>;
    static Key key(Control c) { return {c.window, std::string(c.name)}; }
    ControlState& at(Control c);  // needs mutex_
    void emit(ViewEvent event);   // needs mutex_
    void reset_window_locked(Window w);

    mutable std::mutex mutex_;
    std::recursive_mutex ui_mutex_;  // one UI event handler at a time
    std::map<Key, ControlState> controls_;
    std::vector<LogLine> log_;
    std::vector<ViewEvent> events_;
    bool recording_ = false;
    std::deque<bool> confirm_answers_;
    std::deque<std::optional<std::string>> input_answers_;
    bool default_confirm_ = true;
    std::optional<std::string> default_input_;
    std::string clipboard_;
    std::set<Window> loaded_;
    std::vector<Window> shown_;
    std::map<Window, std::string> titles_;
    int pumps_ = 0;
    std::function<void(Window)> window_script_;
    std::map<Window, Point> positions_;
    std::vector<std::pair<std::string, Point>> popups_;
    EventSink* sink_ = nullptr;
};

}  // namespace quillet
