#pragma once
// The port through which features touch windows. Its operations mirror the
// control properties of the windows' definition. Every call returns only after
// it has taken effect on the user-interface thread (a Qt implementation hands a
// worker's call over with a blocking queued connection), so the lines and
// control changes of one job keep their order. Texts are GBK.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/controls.h"
#include "session/events.h"

namespace quillet {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colour {
inline constexpr Rgb black{0, 0, 0};
inline constexpr Rgb blue{0, 0, 255};
inline constexpr Rgb navy{0, 0, 128};
inline constexpr Rgb green{0, 128, 0};
inline constexpr Rgb red{255, 0, 0};
inline constexpr Rgb grey{143, 143, 143};
inline constexpr Rgb white{255, 255, 255};
}  // namespace colour

// The five log colours by name ("black", "blue", "navy", "green", "red");
// other colours as "#RRGGBB".
std::string colour_name(Rgb c);
// A colour value of the vendor's files: 0x00BBGGRR, red in the lowest byte.
Rgb rgb_of_colour_value(int64_t value);

enum class Pointer { Arrow, Hand };

struct Geometry {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

class View {
  public:
    virtual ~View() = default;

    // --- the log box: one line is a black stamp run and a coloured message run
    // followed by CR LF.
    virtual void append_log(const std::string& stamp, const std::string& text, Rgb colour) = 0;

    // --- control properties
    virtual void set_caption(Control c, const std::string& text) = 0;
    virtual std::string caption(Control c) = 0;
    virtual void set_visible(Control c, bool visible) = 0;
    virtual bool visible(Control c) = 0;
    virtual void set_enabled(Control c, bool enabled) = 0;
    virtual bool enabled(Control c) = 0;
    virtual void set_text_colour(Control c, Rgb colour) = 0;
    virtual void set_tag(Control c, const std::string& tag) = 0;
    virtual std::string tag(Control c) = 0;
    virtual void set_pointer(Control c, Pointer pointer) = 0;
    virtual void set_picture(Control c, const std::string& bytes) = 0;  // PNG/GIF/JPEG
    virtual void set_link_target(Control c, const std::string& address) = 0;
    virtual void set_geometry(Control c, int left, int top, int width, int height) = 0;
    virtual void set_height(Control c, int height) = 0;
    // Position (in its container) and size.
    virtual Geometry geometry(Control c) = 0;
    // Shows a panel frame above its siblings (the log frame).
    virtual void raise_control(Control c) = 0;
    // The mouse-over colour of a link label.
    virtual void set_hover_colour(Control c, Rgb colour) = 0;
    // Clips a picture box to a rectangle with rounded corners (corner ellipse
    // width x height).
    virtual void set_rounded_clip(Control c, int ellipse_width, int ellipse_height) = 0;
    // Mouse capture: the control keeps receiving mouse moves when the cursor
    // leaves it.
    virtual void set_mouse_capture(Control c, bool captured) = 0;
    // Edit boxes.
    virtual std::string text(Control c) = 0;
    virtual void set_text(Control c, const std::string& text) = 0;
    virtual void set_focus(Control c) = 0;

    // --- drop-down lists and list boxes
    virtual void clear_items(Control c) = 0;
    virtual void add_item(Control c, const std::string& text, int64_t value) = 0;
    virtual int item_count(Control c) = 0;
    virtual std::string item_text(Control c, int index) = 0;
    virtual int64_t item_value(Control c, int index) = 0;  // -1 for no such item
    virtual int selected_index(Control c) = 0;             // -1 for none
    virtual void select_index(Control c, int index) = 0;

    // --- list views
    virtual void clear_rows(Control c) = 0;
    virtual void add_row(Control c, const std::vector<std::string>& cells) = 0;
    virtual int selected_row(Control c) = 0;  // -1 for none
    virtual std::string cell_text(Control c, int row, int column) = 0;
    // Colours one cell; a cell whose colours equal the list's own loses its entry.
    virtual void set_cell_colour(Control c, int row, int column, Rgb text,
                                 std::optional<Rgb> background = std::nullopt) = 0;

    // --- boxes, clipboard, browser, events
    virtual void message_box(const std::string& text, const std::string& caption) = 0;
    // OK / Cancel; true for OK.
    virtual bool confirm_box(const std::string& text, const std::string& caption) = 0;
    // nullopt when cancelled.
    virtual std::optional<std::string> input_box(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string& initial) = 0;
    virtual void open_address(const std::string& address) = 0;  // default web browser
    virtual void set_clipboard(const std::string& text) = 0;
    virtual std::string clipboard() = 0;
    // Lets the user-interface thread process its pending events.
    virtual void pump_events() = 0;
    // Runs handler on the user-interface thread (as the UI event of label, with
    // two integers) and returns when it has run.
    virtual void raise_ui_event(Control label, int a, int b,
                                const std::function<void()>& handler) = 0;

    // --- windows
    virtual void show_window(Window w, bool modal) = 0;  // modal: returns when it closes
    virtual void close_window(Window w) = 0;
    virtual bool is_loaded(Window w) = 0;
    virtual void set_window_title(Window w, const std::string& title) = 0;
    // The window's top-left corner on the screen.
    virtual Point window_position(Window w) = 0;
    // Pops up a menu (ctl::menu::quillet or ctl::menu::manual) with its
    // top-left corner at a screen point.
    virtual void popup_menu(Control menu, Point screen) = 0;
    // Loads an address into an embedded browser control that shows no page
    // of ours (the visitor counter).
    virtual void load_browser(Control browser, const std::string& address) = 0;

    // --- the inbound half: where the window reports the user's events and
    // the windows' life. Set once, before the first window is shown.
    virtual void set_event_sink(EventSink* sink) = 0;
};

}  // namespace quillet
