#pragma once
// The View port on Qt widgets. A call from a worker thread is handed to the
// user-interface thread and returns when it has taken effect there; a call
// made on that thread runs at once. A call for a window that is not open is
// ignored (reads answer the defaults). Texts cross over in GBK.
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "session/view.h"

class QDialog;
class QMenu;
class QWidget;

namespace quillet {

class FormWindow;
struct ControlEntry;

// Answers for the message, confirmation and input boxes in place of a person
// (tests, screenshots). Unset members show the real boxes.
struct BoxHooks {
    std::function<void(const std::string& text, const std::string& caption)> message;
    std::function<bool(const std::string& text, const std::string& caption)> confirm;
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt,
                                             const std::string& initial)>
        input;
    // Addresses handed to the system's browser.
    std::function<void(const std::string& address)> open;

    // Every box answered at once, as a person who clicks OK and cancels every
    // input would; no address leaves the program.
    static BoxHooks answered_at_once();
};

class QtView : public QObject, public View {
    Q_OBJECT
  public:
    // Lives on the thread that creates it: that is the user-interface thread.
    explicit QtView(QObject* parent = nullptr);
    ~QtView() override;

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
    // A window shown starts from the form table. Modal: runs the window's own
    // event loop and returns when it has closed.
    void show_window(Window w, bool modal) override;
    void close_window(Window w) override;
    bool is_loaded(Window w) override;
    void set_window_title(Window w, const std::string& title) override;
    Point window_position(Window w) override;
    void popup_menu(Control menu, Point screen) override;
    void load_browser(Control browser, const std::string& address) override;
    void set_event_sink(EventSink* sink) override;

    // --- the Qt side (user-interface thread only)
    FormWindow* form(Window w) const;  // nullptr when not open
    QWidget* widget(Control c) const;  // nullptr when not open or no widget
    QMenu* menu(Control c) const;
    // The address an embedded browser was asked to load.
    std::string browser_address(Control c) const;
    // What loads an address into a browser control that shows no page of
    // ours (the visitor counter); the embedded browsers set it. Runs on the
    // user-interface thread with the control's placeholder widget.
    using BrowserLoader =
        std::function<void(Control browser, QWidget* holder, const std::string& address)>;
    void set_browser_loader(BrowserLoader loader) { browser_loader_ = std::move(loader); }
    void set_box_hooks(BoxHooks hooks);
    // Called after a window has been shown (before a modal one's loop runs).
    void set_shown_hook(std::function<void(Window, FormWindow*)> hook);
    // How many addresses were opened so far (a link label opens its own
    // target only when its handler opened none).
    int open_count() const { return opened_; }

    // From the windows: a user event or a window's life, to the sink.
    void report(Control c, Event e, const EventArgs& args);
    void report_window(Window w, WindowEvent e, int width = 0, int height = 0);

  private:
    template <typename F>
    auto on_ui(F&& f) -> std::invoke_result_t<F&>;
    ControlEntry* entry(Control c) const;
    QWidget* box_parent() const;
    // Shows the box (owned from here on) until it is answered or its window
    // closes; its result, QDialog::Rejected when it went with its window.
    int run_box(QDialog* box);
    void log_append(const std::string& stamp, const std::string& text, Rgb colour);

    std::map<Window, QPointer<FormWindow>> windows_;
    std::vector<QPointer<FormWindow>> closed_;
    std::vector<QPointer<QDialog>> boxes_;  // open boxes, the newest last
    std::unique_ptr<QObject> box_block_;    // while a box is open
    std::map<std::string, std::string> browser_addresses_;
    BrowserLoader browser_loader_;
    std::atomic<EventSink*> sink_{nullptr};
    BoxHooks hooks_;
    std::function<void(Window, FormWindow*)> shown_hook_;
    int opened_ = 0;
};

}  // namespace quillet
