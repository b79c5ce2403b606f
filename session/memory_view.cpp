#include "session/memory_view.h"

#include "session/form_table.h"

namespace quillet {

namespace {

std::string bool_text(bool b) {
    return b ? "true" : "false";
}

}  // namespace

MemoryView::MemoryView() = default;
MemoryView::~MemoryView() = default;

ControlState& MemoryView::at(Control c) {
    return controls_[key(c)];
}

void MemoryView::emit(ViewEvent event) {
    on_event(event);
    if (recording_) events_.push_back(std::move(event));
}

void MemoryView::on_event(const ViewEvent&) {}

void MemoryView::append_log(const std::string& stamp, const std::string& text, Rgb colour) {
    std::lock_guard lock(mutex_);
    log_.push_back(LogLine{stamp, text, colour});
    emit({"log", std::string(ctl::main::超级编辑框_日志.name), text, {stamp, colour_name(colour)}});
}

void MemoryView::set_caption(Control c, const std::string& text) {
    std::lock_guard lock(mutex_);
    at(c).caption = text;
    emit({"caption", std::string(c.name), text, {}});
}

std::string MemoryView::caption(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).caption;
}

void MemoryView::set_visible(Control c, bool visible) {
    std::lock_guard lock(mutex_);
    at(c).visible = visible;
    emit({"visible", std::string(c.name), bool_text(visible), {}});
}

bool MemoryView::visible(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).visible;
}

void MemoryView::set_enabled(Control c, bool enabled) {
    std::lock_guard lock(mutex_);
    at(c).enabled = enabled;
    emit({"enabled", std::string(c.name), bool_text(enabled), {}});
}

bool MemoryView::enabled(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).enabled;
}

void MemoryView::set_text_colour(Control c, Rgb colour) {
    std::lock_guard lock(mutex_);
    at(c).colour = colour;
    emit({"colour", std::string(c.name), colour_name(colour), {}});
}

void MemoryView::set_tag(Control c, const std::string& tag) {
    std::lock_guard lock(mutex_);
    at(c).tag = tag;
    emit({"tag", std::string(c.name), tag, {}});
}

std::string MemoryView::tag(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).tag;
}

void MemoryView::set_pointer(Control c, Pointer pointer) {
    std::lock_guard lock(mutex_);
    at(c).pointer = pointer;
    emit({"pointer", std::string(c.name), pointer == Pointer::Hand ? "hand" : "arrow", {}});
}

void MemoryView::set_picture(Control c, const std::string& bytes) {
    std::lock_guard lock(mutex_);
    at(c).picture = bytes;
    emit({"picture", std::string(c.name), std::to_string(bytes.size()), {}});
}

void MemoryView::set_link_target(Control c, const std::string& address) {
    std::lock_guard lock(mutex_);
    at(c).link_target = address;
    emit({"link", std::string(c.name), address, {}});
}

void MemoryView::set_geometry(Control c, int left, int top, int width, int height) {
    std::lock_guard lock(mutex_);
    at(c).geometry = Geometry{left, top, width, height};
    emit({"geometry",
          std::string(c.name),
          {},
          {std::to_string(left), std::to_string(top), std::to_string(width),
           std::to_string(height)}});
}

void MemoryView::set_height(Control c, int height) {
    std::lock_guard lock(mutex_);
    at(c).geometry.height = height;
    emit({"height", std::string(c.name), std::to_string(height), {}});
}

Geometry MemoryView::geometry(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).geometry;
}

void MemoryView::raise_control(Control c) {
    std::lock_guard lock(mutex_);
    ++at(c).raised;
    emit({"raise", std::string(c.name), {}, {}});
}

void MemoryView::set_hover_colour(Control c, Rgb colour) {
    std::lock_guard lock(mutex_);
    at(c).hover_colour = colour;
    emit({"hover_colour", std::string(c.name), colour_name(colour), {}});
}

void MemoryView::set_rounded_clip(Control c, int ellipse_width, int ellipse_height) {
    std::lock_guard lock(mutex_);
    at(c).rounded_clip = std::pair{ellipse_width, ellipse_height};
    emit({"clip",
          std::string(c.name),
          {},
          {std::to_string(ellipse_width), std::to_string(ellipse_height)}});
}

void MemoryView::set_mouse_capture(Control c, bool captured) {
    std::lock_guard lock(mutex_);
    at(c).captured = captured;
    emit({"capture", std::string(c.name), bool_text(captured), {}});
}

std::string MemoryView::text(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).text;
}

void MemoryView::set_text(Control c, const std::string& text) {
    std::lock_guard lock(mutex_);
    at(c).text = text;
    emit({"text", std::string(c.name), text, {}});
}

void MemoryView::set_focus(Control c) {
    std::lock_guard lock(mutex_);
    emit({"focus", std::string(c.name), {}, {}});
}

void MemoryView::clear_items(Control c) {
    std::lock_guard lock(mutex_);
    auto& s = at(c);
    s.items.clear();
    s.selected = -1;
    emit({"clear_items", std::string(c.name), {}, {}});
}

void MemoryView::add_item(Control c, const std::string& text, int64_t value) {
    std::lock_guard lock(mutex_);
    at(c).items.push_back(ListItem{text, value});
    emit({"item", std::string(c.name), text, {std::to_string(value)}});
}

int MemoryView::item_count(Control c) {
    std::lock_guard lock(mutex_);
    return static_cast<int>(at(c).items.size());
}

std::string MemoryView::item_text(Control c, int index) {
    std::lock_guard lock(mutex_);
    const auto& items = at(c).items;
    if (index < 0 || index >= static_cast<int>(items.size())) return {};
    return items[static_cast<size_t>(index)].text;
}

int64_t MemoryView::item_value(Control c, int index) {
    std::lock_guard lock(mutex_);
    const auto& items = at(c).items;
    if (index < 0 || index >= static_cast<int>(items.size())) return -1;
    return items[static_cast<size_t>(index)].value;
}

int MemoryView::selected_index(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).selected;
}

void MemoryView::select_index(Control c, int index) {
    std::lock_guard lock(mutex_);
    auto& s = at(c);
    s.selected = (index >= 0 && index < static_cast<int>(s.items.size())) ? index : -1;
    emit({"select", std::string(c.name), std::to_string(s.selected), {}});
}

void MemoryView::clear_rows(Control c) {
    std::lock_guard lock(mutex_);
    auto& s = at(c);
    s.rows.clear();
    s.cell_colours.clear();
    s.selected_row = -1;
    emit({"clear_rows", std::string(c.name), {}, {}});
}

void MemoryView::add_row(Control c, const std::vector<std::string>& cells) {
    std::lock_guard lock(mutex_);
    at(c).rows.push_back(cells);
    emit({"row", std::string(c.name), {}, cells});
}

int MemoryView::selected_row(Control c) {
    std::lock_guard lock(mutex_);
    return at(c).selected_row;
}

std::string MemoryView::cell_text(Control c, int row, int column) {
    std::lock_guard lock(mutex_);
    const auto& rows = at(c).rows;
    if (row < 0 || row >= static_cast<int>(rows.size())) return {};
    const auto& cells = rows[static_cast<size_t>(row)];
    if (column < 0 || column >= static_cast<int>(cells.size())) return {};
    return cells[static_cast<size_t>(column)];
}

void MemoryView::set_cell_colour(Control c, int row, int column, Rgb text,
                                 std::optional<Rgb> background) {
    std::lock_guard lock(mutex_);
    auto& s = at(c);
    // A cell drawn in the list's own colours needs no entry of its own.
    const bool plain = text == s.colour && (!background || *background == colour::white);
    if (plain)
        s.cell_colours.erase({row, column});
    else
        s.cell_colours[{row, column}] = CellColour{text, background};
    std::vector<std::string> values = {std::to_string(row), std::to_string(column)};
    if (background) values.push_back(colour_name(*background));
    emit({"cell_colour", std::string(c.name), colour_name(text), std::move(values)});
}

void MemoryView::message_box(const std::string& text, const std::string& caption) {
    std::lock_guard lock(mutex_);
    emit({"message", caption, text, {}});
}

bool MemoryView::confirm_box(const std::string& text, const std::string& caption) {
    std::lock_guard lock(mutex_);
    bool ok = default_confirm_;
    if (!confirm_answers_.empty()) {
        ok = confirm_answers_.front();
        confirm_answers_.pop_front();
    }
    emit({"confirm", caption, text, {bool_text(ok)}});
    return ok;
}

std::optional<std::string> MemoryView::input_box(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string& initial) {
    std::lock_guard lock(mutex_);
    std::optional<std::string> answer = default_input_;
    if (!input_answers_.empty()) {
        answer = input_answers_.front();
        input_answers_.pop_front();
    }
    emit({"input", title, prompt, {initial, answer ? "answered" : "cancelled"}});
    return answer;
}

void MemoryView::open_address(const std::string& address) {
    std::lock_guard lock(mutex_);
    emit({"open", {}, address, {}});
}

void MemoryView::set_clipboard(const std::string& text) {
    std::lock_guard lock(mutex_);
    clipboard_ = text;
    emit({"clipboard", {}, text, {}});
}

std::string MemoryView::clipboard() {
    std::lock_guard lock(mutex_);
    return clipboard_;
}

void MemoryView::pump_events() {
    std::lock_guard lock(mutex_);
    ++pumps_;
}

void MemoryView::raise_ui_event(Control label, int a, int b, const std::function<void()>& handler) {
    {
        std::lock_guard lock(mutex_);
        emit({"ui_event", std::string(label.name), {}, {std::to_string(a), std::to_string(b)}});
    }
    // There is no user-interface thread here: the handler runs on the caller's
    // thread, one handler at a time, as it would on that thread.
    std::lock_guard ui(ui_mutex_);
    if (handler) handler();
}

void MemoryView::show_window(Window w, bool modal) {
    std::function<void(Window)> script;
    EventSink* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        reset_window_locked(w);
        loaded_.insert(w);
        shown_.push_back(w);
        emit({"show", std::string(window_name(w)), modal ? "modal" : "modeless", {}});
        script = window_script_;
        sink = sink_;
    }
    // The window's life as a platform reports it: created before it shows,
    // then activated for the first time.
    if (sink) {
        sink->window_event(w, WindowEvent::Created);
        if (is_loaded(w)) sink->window_event(w, WindowEvent::FirstActivated);
    }
    if (!modal) return;
    if (script && is_loaded(w)) script(w);
    close_window(w);
}

void MemoryView::close_window(Window w) {
    EventSink* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (loaded_.count(w) == 0) return;
        sink = sink_;
    }
    if (sink) sink->window_event(w, WindowEvent::BeingDestroyed);
    std::lock_guard lock(mutex_);
    if (loaded_.erase(w) > 0) emit({"close", std::string(window_name(w)), {}, {}});
}

bool MemoryView::is_loaded(Window w) {
    std::lock_guard lock(mutex_);
    return loaded_.count(w) > 0;
}

void MemoryView::set_window_title(Window w, const std::string& title) {
    std::lock_guard lock(mutex_);
    titles_[w] = title;
    emit({"title", std::string(window_name(w)), title, {}});
}

Point MemoryView::window_position(Window w) {
    std::lock_guard lock(mutex_);
    auto it = positions_.find(w);
    return it == positions_.end() ? Point{50, 50} : it->second;
}

void MemoryView::set_window_position(Window w, Point p) {
    std::lock_guard lock(mutex_);
    positions_[w] = p;
}

void MemoryView::popup_menu(Control menu, Point screen) {
    std::lock_guard lock(mutex_);
    popups_.emplace_back(std::string(menu.name), screen);
    emit({"popup",
          std::string(menu.name),
          {},
          {std::to_string(screen.x), std::to_string(screen.y)}});
}

void MemoryView::load_browser(Control browser, const std::string& address) {
    std::lock_guard lock(mutex_);
    at(browser).browser_address = address;
    emit({"browse", std::string(browser.name), address, {}});
}

void MemoryView::set_event_sink(EventSink* sink) {
    std::lock_guard lock(mutex_);
    sink_ = sink;
}

EventSink* MemoryView::event_sink() const {
    std::lock_guard lock(mutex_);
    return sink_;
}

std::vector<std::pair<std::string, Point>> MemoryView::popups() const {
    std::lock_guard lock(mutex_);
    return popups_;
}

ControlState MemoryView::state(Control c) const {
    std::lock_guard lock(mutex_);
    auto it = controls_.find(key(c));
    return it == controls_.end() ? ControlState{} : it->second;
}

std::vector<LogLine> MemoryView::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<ViewEvent> MemoryView::events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<Window> MemoryView::shown_windows() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

std::string MemoryView::window_title(Window w) const {
    std::lock_guard lock(mutex_);
    auto it = titles_.find(w);
    return it == titles_.end() ? std::string() : it->second;
}

int MemoryView::pump_count() const {
    std::lock_guard lock(mutex_);
    return pumps_;
}

void MemoryView::reset_window_locked(Window w) {
    // A window loaded again starts afresh: nothing of its last life remains.
    std::erase_if(controls_, [w](const auto& entry) { return entry.first.first == w; });
    for (const ControlSpec& spec : form_controls(w)) {
        ControlState& state = controls_[key(spec.control)];
        state.caption = spec.caption;
        state.visible = spec.visible;
        state.enabled = spec.enabled;
        if (spec.text_colour)
            state.colour = Rgb{spec.text_colour->r, spec.text_colour->g, spec.text_colour->b};
        state.geometry = Geometry{spec.left, spec.top, spec.width, spec.height};
        for (const ItemSpec& item : spec.items)
            state.items.push_back(ListItem{item.text, item.value});
    }
    titles_[w] = form_window(w).title;
}

void MemoryView::load_initial_state(Window w) {
    std::lock_guard lock(mutex_);
    reset_window_locked(w);
}

void MemoryView::set_recording(bool on) {
    std::lock_guard lock(mutex_);
    recording_ = on;
}

void MemoryView::clear_events() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

void MemoryView::push_confirm_answer(bool ok) {
    std::lock_guard lock(mutex_);
    confirm_answers_.push_back(ok);
}

void MemoryView::push_input_answer(std::optional<std::string> answer) {
    std::lock_guard lock(mutex_);
    input_answers_.push_back(std::move(answer));
}

void MemoryView::set_default_confirm(bool ok) {
    std::lock_guard lock(mutex_);
    default_confirm_ = ok;
}

void MemoryView::set_default_input(std::optional<std::string> answer) {
    std::lock_guard lock(mutex_);
    default_input_ = std::move(answer);
}

void MemoryView::set_window_script(std::function<void(Window)> script) {
    std::lock_guard lock(mutex_);
    window_script_ = std::move(script);
}

}  // namespace quillet
