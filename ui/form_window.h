#pragma once
// One window built from the form table: every control at its place, in its
// initial state, named by its control name. The window reports what the user
// does to its controls, and its own life, to the QtView that made it.
#include <QPixmap>
#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/form_table.h"
#include "session/view.h"

class QAction;
class QLabel;
class QEventLoop;
class QMenu;

namespace quillet {

class QtView;

// Where a window goes on a screen's available area and the client size it
// gets there. It keeps its usual place (50, 50 into the area) and size when
// they fit, is moved in when it would cross an edge, and is made smaller
// when it is larger than the area (its controls then scroll).
struct ScreenPlace {
    QPoint position;  // of the frame's top left
    QSize client;
};
ScreenPlace fit_window(QSize outer, QSize client, const QRect& available);

// A control as the window holds it, with the properties its widget does not
// keep by itself (the GBK caption as given, tag, link target, colours, the
// picture at full size).
struct ControlEntry {
    Control control;
    ControlKind kind = ControlKind::Label;
    QWidget* widget = nullptr;  // none for menus and menu items
    QMenu* menu = nullptr;      // menus and sub-menus
    QAction* action = nullptr;  // menu items, and the entries of sub-menus
    // A hidden action also reports itself disabled: the state the program set.
    bool action_enabled = true;
    std::string caption;
    std::string tag;
    std::string link;
    Rgb colour{0, 0, 0};
    std::optional<Rgb> hover;
    std::optional<Rgb> background;
    QPixmap picture;
    std::vector<Qt::Alignment> column_align;  // list views
};

class FormWindow : public QWidget {
    Q_OBJECT
  public:
    // A window that does not report (a picture of a window for the
    // screenshots) reports nothing to the program.
    FormWindow(Window w, QtView& view, bool reporting = true);
    ~FormWindow() override;

    Window window() const { return window_; }
    ControlEntry* find(std::string_view name);
    std::vector<ControlEntry*> entries();

    // The widget's own style sheet from the entry's colours.
    void restyle(ControlEntry& e);
    // A label's caption; lines that would not fit the label's height in the
    // face's own line spacing are set closer together.
    static void set_label_text(QLabel* label, const QString& text);
    // Shows the entry's picture scaled to the box, keeping its aspect.
    void show_picture(ControlEntry& e);

    // FirstActivated, once.
    void activate_once();
    bool closing = false;
    QEventLoop* loop = nullptr;  // while shown modal

    // The client size that gives the form's outer size on the frame the
    // forms were designed with.
    static QSize client_size(const WindowSpec& spec);
    // Places and sizes the window inside a screen's available area (see
    // fit_window); the constructor does it for the screen it opens on.
    void fit_into(const QRect& available);

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void build();
    QWidget* make_widget(const ControlSpec& spec, QWidget* parent, ControlEntry& e);
    void make_menu_entry(const ControlSpec& spec, ControlEntry& e);
    void watch(QWidget* w, ControlEntry& e);
    void report(const ControlEntry& e, Event ev, EventArgs args = {});

    Window window_;
    QtView& view_;
    bool reporting_ = true;
    QWidget* canvas_ = nullptr;  // holds the controls when they scroll
    bool activated_ = false;
    std::map<std::string, ControlEntry, std::less<>> entries_;
    std::map<QObject*, ControlEntry*> watched_;
};

}  // namespace quillet
