#include "ui/qt_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainterPath>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "ui/form_window.h"
#include "ui/qt_text.h"

namespace quillet {

namespace {

QColor qcolour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

bool offscreen_platform() {
    const QString p = QGuiApplication::platformName();
    return p == QLatin1String("offscreen") || p == QLatin1String("minimal");
}

// While a box is open, what the user does with the mouse or the keyboard
// reaches only that box (and its pop-ups). The box is not modal to Qt: a
// window blocked by a modal box would not hear the window manager's close
// request, and closing a window must work as at any other moment.
class BoxInputBlock : public QObject {
  public:
    explicit BoxInputBlock(const std::vector<QPointer<QDialog>>& boxes) : boxes_(boxes) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
                break;
            default:
                return false;
        }
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w) return false;
        // The newest box is the one that waits for an answer.
        QWidget* box = nullptr;
        for (auto it = boxes_.rbegin(); it != boxes_.rend() && !box; ++it) box = it->data();
        if (!box) return false;
        QWidget* top = w->window();
        return top != box && top->windowType() != Qt::Popup;
    }

  private:
    const std::vector<QPointer<QDialog>>& boxes_;
};

}  // namespace

// The window the user is looking at, else the program's own window that is
// shown, as the parent of a box: the box goes with that window.
QWidget* QtView::box_parent() const {
    QWidget* active = QApplication::activeWindow();
    if (qobject_cast<FormWindow*>(active)) return active;
    for (Window w : {Window::Main, Window::Login, Window::Version, Window::ActivityBrowser})
        if (FormWindow* f = form(w); f && f->isVisible()) return f;
    return active;
}

int QtView::run_box(QDialog* box) {
    QPointer<QDialog> guard(box);
    boxes_.push_back(guard);
    if (!box_block_) {
        box_block_ = std::make_unique<BoxInputBlock>(boxes_);
        qApp->installEventFilter(box_block_.get());
    }
    QEventLoop loop;
    connect(box, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
    box->setWindowModality(Qt::NonModal);
    box->show();
    box->raise();
    box->activateWindow();
    loop.exec();
    boxes_.erase(std::remove(boxes_.begin(), boxes_.end(), guard), boxes_.end());
    if (boxes_.empty()) box_block_.reset();
    // A box whose window went away counts as cancelled.
    const int result = guard ? guard->result() : QDialog::Rejected;
    delete guard.data();
    return result;
}

QtView::QtView(QObject* parent) : QObject(parent) {}

QtView::~QtView() {
    for (auto& [w, form] : windows_) delete form.data();
    for (auto& form : closed_) delete form.data();
}

template <typename F>
auto QtView::on_ui(F&& f) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if (QThread::currentThread() == thread()) return f();
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(
            this, [&f] { f(); }, Qt::BlockingQueuedConnection);
    } else {
        R result{};
        QMetaObject::invokeMethod(
            this, [&f, &result] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

ControlEntry* QtView::entry(Control c) const {
    auto it = windows_.find(c.window);
    if (it == windows_.end() || !it->second || it->second->closing) return nullptr;
    return it->second->find(c.name);
}

FormWindow* QtView::form(Window w) const {
    auto it = windows_.find(w);
    if (it == windows_.end() || !it->second || it->second->closing) return nullptr;
    return it->second.data();
}

QWidget* QtView::widget(Control c) const {
    ControlEntry* e = entry(c);
    return e ? e->widget : nullptr;
}

QMenu* QtView::menu(Control c) const {
    ControlEntry* e = entry(c);
    return e ? e->menu : nullptr;
}

void QtView::report(Control c, Event e, const EventArgs& args) {
    if (EventSink* sink = sink_.load()) sink->control_event(c, e, args);
}

void QtView::report_window(Window w, WindowEvent e, int width, int height) {
    if (EventSink* sink = sink_.load()) sink->window_event(w, e, width, height);
}

// --- the log box

void QtView::append_log(const std::string& stamp, const std::string& text, Rgb colour) {
    on_ui([&] { log_append(stamp, text, colour); });
}

void QtView::log_append(const std::string& stamp, const std::string& text, Rgb colour) {
    ControlEntry* e = entry(ctl::main::超级编辑框_日志);
    auto* edit = e ? qobject_cast<QTextEdit*>(e->widget) : nullptr;
    if (!edit) return;
    QTextCharFormat format;
    format.setFontFamilies({QString::fromUtf8("宋体")});
    format.setFontPointSize(9);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    format.setVerticalAlignment(QTextCharFormat::AlignNormal);
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    format.setForeground(QColor(Qt::black));
    cursor.insertText(qt_text(stamp), format);
    format.setForeground(qcolour(colour));
    cursor.insertText(qt_caption(text) + QLatin1Char('\n'), format);
    cursor.endEditBlock();
    // The newest line stays in view, unless the user is selecting text.
    if (!edit->textCursor().hasSelection()) {
        QTextCursor end(edit->document());
        end.movePosition(QTextCursor::End);
        edit->setTextCursor(end);
        edit->ensureCursorVisible();
    }
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
}

// --- control properties

void QtView::set_caption(Control c, const std::string& text) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        e->caption = text;
        const QString q = qt_caption(text);
        if (e->action) {
            e->action->setText(q);
        } else if (auto* l = qobject_cast<QLabel*>(e->widget)) {
            FormWindow::set_label_text(l, q);
            l->setAccessibleName(q);
        } else if (auto* b = qobject_cast<QPushButton*>(e->widget)) {
            b->setText(q);
            b->setAccessibleName(q);
        } else if (auto* ed = qobject_cast<QLineEdit*>(e->widget)) {
            ed->setText(q);
        }
    });
}

std::string QtView::caption(Control c) {
    return on_ui([&]() -> std::string {
        ControlEntry* e = entry(c);
        return e ? e->caption : std::string();
    });
}

void QtView::set_visible(Control c, bool visible) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        if (e->action)
            e->action->setVisible(visible);
        else if (e->widget)
            e->widget->setVisible(visible);
    });
}

bool QtView::visible(Control c) {
    return on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return false;
        if (e->action) return e->action->isVisible();
        if (!e->widget) return false;
        // The control's own flag: a control inside a hidden frame, or in a
        // window not shown yet, still counts as visible.
        QWidget* parent = e->widget->parentWidget();
        return parent ? e->widget->isVisibleTo(parent) : e->widget->isVisible();
    });
}

void QtView::set_enabled(Control c, bool enabled) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        if (e->action) {
            e->action->setEnabled(enabled);
            e->action_enabled = enabled;
        } else if (e->widget)
            e->widget->setEnabled(enabled);
    });
}

bool QtView::enabled(Control c) {
    return on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return false;
        if (e->action) return e->action_enabled;
        if (!e->widget) return false;
        return !e->widget->testAttribute(Qt::WA_ForceDisabled);
    });
}

void QtView::set_text_colour(Control c, Rgb colour) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        e->colour = colour;
        if (FormWindow* f = form(c.window)) f->restyle(*e);
    });
}

void QtView::set_tag(Control c, const std::string& tag) {
    on_ui([&] {
        if (ControlEntry* e = entry(c)) e->tag = tag;
    });
}

std::string QtView::tag(Control c) {
    return on_ui([&]() -> std::string {
        ControlEntry* e = entry(c);
        return e ? e->tag : std::string();
    });
}

void QtView::set_pointer(Control c, Pointer pointer) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e || !e->widget) return;
        e->widget->setCursor(pointer == Pointer::Hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
    });
}

void QtView::set_picture(Control c, const std::string& bytes) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        QPixmap p;
        if (!bytes.empty())
            p.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                           static_cast<uint>(bytes.size()));
        e->picture = p;
        if (FormWindow* f = form(c.window)) f->show_picture(*e);
    });
}

void QtView::set_link_target(Control c, const std::string& address) {
    on_ui([&] {
        if (ControlEntry* e = entry(c)) e->link = address;
    });
}

void QtView::set_geometry(Control c, int left, int top, int width, int height) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (e && e->widget) e->widget->setGeometry(left, top, width, height);
    });
}

void QtView::set_height(Control c, int height) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (e && e->widget) e->widget->resize(e->widget->width(), height);
    });
}

Geometry QtView::geometry(Control c) {
    return on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e || !e->widget) return Geometry{};
        const QRect r = e->widget->geometry();
        return Geometry{r.x(), r.y(), r.width(), r.height()};
    });
}

void QtView::raise_control(Control c) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (e && e->widget) e->widget->raise();
    });
}

void QtView::set_hover_colour(Control c, Rgb colour) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        e->hover = colour;
        if (FormWindow* f = form(c.window)) f->restyle(*e);
    });
}

void QtView::set_rounded_clip(Control c, int ellipse_width, int ellipse_height) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e || !e->widget) return;
        QPainterPath path;
        path.addRoundedRect(QRectF(e->widget->rect()), ellipse_width / 2.0, ellipse_height / 2.0);
        e->widget->setMask(QRegion(path.toFillPolygon().toPolygon()));
    });
}

void QtView::set_mouse_capture(Control c, bool captured) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e || !e->widget) return;
        if (captured)
            e->widget->grabMouse();
        else
            e->widget->releaseMouse();
    });
}

std::string QtView::text(Control c) {
    return on_ui([&]() -> std::string {
        ControlEntry* e = entry(c);
        if (!e) return {};
        if (auto* ed = qobject_cast<QLineEdit*>(e->widget)) return gbk_text(ed->text());
        if (auto* t = qobject_cast<QTextEdit*>(e->widget)) return gbk_text(t->toPlainText());
        return e->caption;
    });
}

void QtView::set_text(Control c, const std::string& text) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        if (auto* ed = qobject_cast<QLineEdit*>(e->widget)) ed->setText(qt_text(text));
    });
}

void QtView::set_focus(Control c) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (e && e->widget) e->widget->setFocus(Qt::OtherFocusReason);
    });
}

// --- drop-down lists and list boxes

void QtView::clear_items(Control c) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        if (auto* cb = qobject_cast<QComboBox*>(e->widget)) cb->clear();
        if (auto* l = qobject_cast<QListWidget*>(e->widget)) l->clear();
    });
}

void QtView::add_item(Control c, const std::string& text, int64_t value) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        const QVariant v = QVariant::fromValue<qint64>(value);
        if (auto* cb = qobject_cast<QComboBox*>(e->widget)) {
            // Adding to an empty list selects nothing, as the program expects.
            const int before = cb->currentIndex();
            cb->addItem(qt_text(text), v);
            if (before < 0) cb->setCurrentIndex(-1);
        }
        if (auto* l = qobject_cast<QListWidget*>(e->widget)) {
            auto* it = new QListWidgetItem(qt_text(text), l);
            it->setData(Qt::UserRole, v);
        }
    });
}

int QtView::item_count(Control c) {
    return on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return 0;
        if (auto* cb = qobject_cast<QComboBox*>(e->widget)) return cb->count();
        if (auto* l = qobject_cast<QListWidget*>(e->widget)) return l->count();
        return 0;
    });
}

std::string QtView::item_text(Control c, int index) {
    return on_ui([&]() -> std::string {
        ControlEntry* e = entry(c);
        if (!e) return {};
        if (auto* cb = qobject_cast<QComboBox*>(e->widget))
            return index >= 0 && index < cb->count() ? gbk_text(cb->itemText(index)) : "";
        if (auto* l = qobject_cast<QListWidget*>(e->widget))
            return index >= 0 && index < l->count() ? gbk_text(l->item(index)->text()) : "";
        return {};
    });
}

int64_t QtView::item_value(Control c, int index) {
    return on_ui([&]() -> int64_t {
        ControlEntry* e = entry(c);
        if (!e) return -1;
        if (auto* cb = qobject_cast<QComboBox*>(e->widget))
            return index >= 0 && index < cb->count() ? cb->itemData(index).toLongLong() : -1;
        if (auto* l = qobject_cast<QListWidget*>(e->widget))
            return index >= 0 && index < l->count()
                       ? l->item(index)->data(Qt::UserRole).toLongLong()
                       : -1;
        return -1;
    });
}

int QtView::selected_index(Control c) {
    return on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return -1;
        if (auto* cb = qobject_cast<QComboBox*>(e->widget)) return cb->currentIndex();
        if (auto* l = qobject_cast<QListWidget*>(e->widget)) {
            QListWidgetItem* it = l->currentItem();
            return it && it->isSelected() ? l->row(it) : -1;
        }
        return -1;
    });
}

void QtView::select_index(Control c, int index) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (!e) return;
        if (auto* cb = qobject_cast<QComboBox*>(e->widget))
            cb->setCurrentIndex(index >= 0 && index < cb->count() ? index : -1);
        if (auto* l = qobject_cast<QListWidget*>(e->widget)) {
            if (index >= 0 && index < l->count())
                l->setCurrentRow(index);
            else
                l->clearSelection();
        }
    });
}

// --- list views

void QtView::clear_rows(Control c) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        if (auto* t = e ? qobject_cast<QTreeWidget*>(e->widget) : nullptr) t->clear();
    });
}

void QtView::add_row(Control c, const std::vector<std::string>& cells) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        auto* t = e ? qobject_cast<QTreeWidget*>(e->widget) : nullptr;
        if (!t) return;
        auto* item = new QTreeWidgetItem();
        for (size_t i = 0; i < cells.size() && static_cast<int>(i) < t->columnCount(); ++i) {
            const int n = static_cast<int>(i);
            item->setText(n, qt_text(cells[i]));
            if (i < e->column_align.size()) item->setTextAlignment(n, e->column_align[i]);
        }
        t->addTopLevelItem(item);
    });
}

int QtView::selected_row(Control c) {
    return on_ui([&] {
        ControlEntry* e = entry(c);
        auto* t = e ? qobject_cast<QTreeWidget*>(e->widget) : nullptr;
        if (!t) return -1;
        const QList<QTreeWidgetItem*> sel = t->selectedItems();
        return sel.isEmpty() ? -1 : t->indexOfTopLevelItem(sel.front());
    });
}

std::string QtView::cell_text(Control c, int row, int column) {
    return on_ui([&]() -> std::string {
        ControlEntry* e = entry(c);
        auto* t = e ? qobject_cast<QTreeWidget*>(e->widget) : nullptr;
        if (!t || row < 0 || row >= t->topLevelItemCount() || column < 0 ||
            column >= t->columnCount())
            return {};
        return gbk_text(t->topLevelItem(row)->text(column));
    });
}

void QtView::set_cell_colour(Control c, int row, int column, Rgb text,
                             std::optional<Rgb> background) {
    on_ui([&] {
        ControlEntry* e = entry(c);
        auto* t = e ? qobject_cast<QTreeWidget*>(e->widget) : nullptr;
        if (!t || row < 0 || row >= t->topLevelItemCount() || column < 0 ||
            column >= t->columnCount())
            return;
        QTreeWidgetItem* item = t->topLevelItem(row);
        item->setForeground(column, qcolour(text));
        if (background)
            item->setBackground(column, qcolour(*background));
        else
            item->setData(column, Qt::BackgroundRole, QVariant());
    });
}

// --- boxes, clipboard, browser, events

void QtView::message_box(const std::string& text, const std::string& caption) {
    on_ui([&] {
        if (hooks_.message) return hooks_.message(text, caption);
        run_box(new QMessageBox(QMessageBox::Information, qt_text(caption), qt_caption(text),
                                QMessageBox::Ok, box_parent()));
    });
}

bool QtView::confirm_box(const std::string& text, const std::string& caption) {
    return on_ui([&] {
        if (hooks_.confirm) return hooks_.confirm(text, caption);
        return run_box(new QMessageBox(QMessageBox::Question, qt_text(caption), qt_caption(text),
                                       QMessageBox::Ok | QMessageBox::Cancel, box_parent())) ==
               QMessageBox::Ok;
    });
}

std::optional<std::string> QtView::input_box(const std::string& title, const std::string& prompt,
                                             const std::string& initial) {
    return on_ui([&]() -> std::optional<std::string> {
        if (hooks_.input) return hooks_.input(title, prompt, initial);
        auto* box = new QInputDialog(box_parent());
        box->setWindowTitle(qt_text(title));
        box->setLabelText(qt_caption(prompt));
        box->setTextEchoMode(QLineEdit::Normal);
        box->setTextValue(qt_text(initial));
        QString answer;
        connect(box, &QInputDialog::textValueSelected, box,
                [&answer](const QString& text) { answer = text; });
        if (run_box(box) != QDialog::Accepted) return std::nullopt;
        return gbk_text(answer);
    });
}

void QtView::open_address(const std::string& address) {
    on_ui([&] {
        ++opened_;
        if (address.empty()) return;
        if (hooks_.open) return hooks_.open(address);
        const QUrl url(qt_text(address), QUrl::StrictMode);
        // Only web addresses go to the system's browser.
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            return;
        QDesktopServices::openUrl(url);
    });
}

void QtView::set_clipboard(const std::string& text) {
    on_ui([&] { QGuiApplication::clipboard()->setText(qt_text(text)); });
}

std::string QtView::clipboard() {
    return on_ui([&] { return gbk_text(QGuiApplication::clipboard()->text()); });
}

void QtView::pump_events() {
    if (QThread::currentThread() == thread()) {
        QCoreApplication::processEvents();
        return;
    }
    // A worker's pump waits until the user-interface thread has caught up
    // with everything queued before it.
    on_ui([] {});
}

void QtView::raise_ui_event(Control label, int, int, const std::function<void()>& handler) {
    on_ui([&] {
        if (!entry(label) || !handler) return;
        handler();
    });
}

BoxHooks BoxHooks::answered_at_once() {
    BoxHooks hooks;
    hooks.message = [](const std::string&, const std::string&) {};
    hooks.confirm = [](const std::string&, const std::string&) { return true; };
    hooks.input = [](const std::string&, const std::string&, const std::string&) {
        return std::optional<std::string>();
    };
    hooks.open = [](const std::string&) {};
    return hooks;
}

// --- windows

void QtView::show_window(Window w, bool modal) {
    on_ui([&] {
        // A window shown again starts afresh from the form table.
        if (form(w)) close_window(w);
        auto* f = new FormWindow(w, *this);
        windows_[w] = f;
        report_window(w, WindowEvent::Created);
        if (form(w) != f) return;  // closed by its own creation handler
        if (form_window(w).tool_window) {
            // The notice pops up at the bottom right of the screen.
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect r = screen->availableGeometry();
                f->move(r.right() - f->width() - 16, r.bottom() - f->height() - 40);
            }
        }
        f->show();
        QPointer<FormWindow> guard(f);
        // A platform that never activates windows (offscreen) gets its first
        // activation right after the show; a window manager that is slow to
        // activate gets it after half a second.
        QTimer::singleShot(offscreen_platform() ? 0 : 500, f, [guard] {
            if (guard) guard->activate_once();
        });
        if (shown_hook_) shown_hook_(w, f);
        if (!modal || !guard || guard->closing) return;
        QEventLoop loop;
        f->loop = &loop;
        loop.exec();
    });
}

void QtView::close_window(Window w) {
    on_ui([&] {
        FormWindow* f = form(w);
        if (!f) return;
        report_window(w, WindowEvent::BeingDestroyed);
        f = form(w);
        if (!f) return;  // its handler closed it already
        f->closing = true;
        windows_.erase(w);
        // Its open boxes go with it, as cancelled.
        for (const QPointer<QDialog>& box : std::vector(boxes_))
            if (box && box->parentWidget() == f) box->reject();
        if (f->loop) f->loop->quit();
        f->loop = nullptr;
        f->hide();
        f->deleteLater();
        closed_.erase(std::remove_if(closed_.begin(), closed_.end(),
                                     [](const QPointer<FormWindow>& p) { return p.isNull(); }),
                      closed_.end());
        closed_.push_back(f);
    });
}

bool QtView::is_loaded(Window w) {
    return on_ui([&] { return form(w) != nullptr; });
}

void QtView::set_window_title(Window w, const std::string& title) {
    on_ui([&] {
        if (FormWindow* f = form(w)) f->setWindowTitle(qt_text(title));
    });
}

Point QtView::window_position(Window w) {
    return on_ui([&] {
        FormWindow* f = form(w);
        if (!f) return Point{};
        const QPoint p = f->frameGeometry().topLeft();
        return Point{p.x(), p.y()};
    });
}

void QtView::popup_menu(Control m, Point screen) {
    on_ui([&] {
        if (QMenu* q = menu(m)) q->popup(QPoint(screen.x, screen.y));
    });
}

void QtView::load_browser(Control browser, const std::string& address) {
    on_ui([&] {
        if (!entry(browser)) return;
        browser_addresses_[std::string(window_name(browser.window)) + "/" +
                           std::string(browser.name)] = address;
        if (browser_loader_)
            if (QWidget* holder = widget(browser)) browser_loader_(browser, holder, address);
    });
}

std::string QtView::browser_address(Control c) const {
    auto it =
        browser_addresses_.find(std::string(window_name(c.window)) + "/" + std::string(c.name));
    return it == browser_addresses_.end() ? std::string() : it->second;
}

void QtView::set_event_sink(EventSink* sink) {
    sink_.store(sink);
}

void QtView::set_box_hooks(BoxHooks hooks) {
    hooks_ = std::move(hooks);
}

void QtView::set_shown_hook(std::function<void(Window, FormWindow*)> hook) {
    shown_hook_ = std::move(hook);
}

}  // namespace quillet
