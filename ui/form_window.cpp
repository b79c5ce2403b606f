#include "ui/form_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/qt_text.h"
#include "ui/qt_view.h"

#ifdef QUILLET_HAVE_PICTURES
// The pictures live in this static library: their resource registration has
// to be pulled in by hand.
static void load_pictures() {
    Q_INIT_RESOURCE(pictures);
}
#else
static void load_pictures() {}
#endif

namespace quillet {

namespace {

// The frame the forms were designed with: 3-pixel borders, a 26-pixel title
// bar, 20 for the narrow title bar of a tool window.
constexpr int kBorder = 3;
constexpr int kTitle = 26;
constexpr int kToolTitle = 20;
// Where a window opens: this far into the screen's available area.
constexpr int kPlace = 50;

QColor qcolour(const ColourSpec& c) {
    return QColor(c.r, c.g, c.b);
}

Rgb rgb(const ColourSpec& c) {
    return Rgb{c.r, c.g, c.b};
}

QString css(Rgb c) {
    return QColor(c.r, c.g, c.b).name();
}

Qt::Alignment qt_align(Align a) {
    switch (a) {
        case Align::Left:
            return Qt::AlignLeft;
        case Align::Centre:
            return Qt::AlignHCenter;
        case Align::Right:
            return Qt::AlignRight;
    }
    return Qt::AlignLeft;
}

// A plain container drawn with a one-pixel border of its colour. It is
// opaque: a panel shown over the log hides what lies beneath it.
class BorderFrame : public QFrame {
  public:
    BorderFrame(QColor border, QColor background, QWidget* parent)
        : QFrame(parent), border_(border), background_(background) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), background_);
        p.setPen(border_);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

  private:
    QColor border_;
    QColor background_;
};

constexpr const char* kPitch = "quillet_line_pitch";

// A label; lines that would not fit its height in the face's own line
// spacing are drawn at a closer pitch, as the forms' 12-pixel faces did.
class FormLabel : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* e) override {
        const int pitch = property(kPitch).toInt();
        if (pitch <= 0) return QLabel::paintEvent(e);
        QPainter p(this);
        p.setPen(palette().color(foregroundRole()));
        p.setFont(font());
        const Qt::Alignment h = alignment() & Qt::AlignHorizontal_Mask;
        const QStringList lines = text().split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            p.drawText(QRect(0, i * pitch, width(), pitch), int(h | Qt::AlignVCenter), lines[i]);
    }
};

// Stands in for an embedded browser until the pages are shown inside the
// window.
class BrowserPlaceholder : public QLabel {
  public:
    explicit BrowserPlaceholder(QWidget* parent) : QLabel(parent) {
        setAlignment(Qt::AlignCenter);
        if (width() > 1) setText(QString::fromUtf8("网页"));
        setStyleSheet(QStringLiteral("background: #FFFFFF; color: #8F8F8F;"));
    }
};

QFont form_font(const FontSpec& f) {
    QFont font = QApplication::font();
    if (!f.family.empty()) font.setFamilies({qt_name(f.family)});
    if (f.pixel_size > 0) font.setPixelSize(f.pixel_size);
    if (f.bold) font.setBold(true);
    return font;
}

}  // namespace

void FormWindow::set_label_text(QLabel* label, const QString& text) {
    label->setText(text);
    const int n = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    const QFontMetrics fm(label->font());
    int pitch = 0;
    if (n > 1 && n * fm.height() > label->height()) {
        const int pixel = label->font().pixelSize() > 0 ? label->font().pixelSize() : fm.ascent();
        pitch = std::max(pixel, label->height() / n);
    }
    label->setProperty(kPitch, pitch);
    label->update();
}

QSize FormWindow::client_size(const WindowSpec& spec) {
    const int title = spec.tool_window ? kToolTitle : kTitle;
    return QSize(spec.width - 2 * kBorder, spec.height - title - kBorder);
}

FormWindow::FormWindow(Window w, QtView& view, bool reporting)
    : QWidget(nullptr), window_(w), view_(view), reporting_(reporting) {
    static const bool pictures = (load_pictures(), true);
    (void)pictures;
    const WindowSpec& spec = form_window(w);
    setObjectName(qt_name(spec.name));
    setAccessibleDescription(qt_name(spec.name));
    setWindowTitle(qt_text(spec.title));
    setAccessibleName(qt_text(spec.title));
    Qt::WindowFlags flags = spec.tool_window ? Qt::Tool : Qt::Window;
    flags |= Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    if (!spec.tool_window) flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(client_size(spec));
    if (spec.background) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, qcolour(*spec.background));
        setPalette(pal);
    }
    build();
    // The offscreen platform's screen is a made-up size: pictures drawn there
    // show each window whole at its usual place.
    const QString platform = QGuiApplication::platformName();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        fit_into(screen->availableGeometry());
    else
        move(kPlace, kPlace);
}

ScreenPlace fit_window(QSize outer, QSize client, const QRect& available) {
    const QSize frame = outer - client;
    const QSize fitted = outer.boundedTo(available.size());
    ScreenPlace place;
    place.client = (fitted - frame).expandedTo(QSize(1, 1));
    place.position =
        QPoint(available.left() + std::clamp(available.width() - fitted.width(), 0, kPlace),
               available.top() + std::clamp(available.height() - fitted.height(), 0, kPlace));
    return place;
}

void FormWindow::fit_into(const QRect& available) {
    const WindowSpec& spec = form_window(window_);
    const QSize client = client_size(spec);
    const ScreenPlace place = fit_window(QSize(spec.width, spec.height), client, available);
    if (place.client != client && !canvas_) {
        // The controls move onto a canvas of the form's size that scrolls in
        // the smaller window.
        // They keep their order, which is the order they are drawn in.
        canvas_ = new QWidget;
        canvas_->setAutoFillBackground(true);
        canvas_->setFixedSize(client);
        const QObjectList kids = children();
        for (QObject* child : kids) {
            auto* w = qobject_cast<QWidget*>(child);
            if (!w || w->isWindow()) continue;  // the menus
            const bool shown = w->isVisibleTo(this);
            const QRect at = w->geometry();
            w->setParent(canvas_);
            w->setGeometry(at);
            w->setVisible(shown);
        }
        auto* area = new QScrollArea(this);
        area->setFrameShape(QFrame::NoFrame);
        area->setFocusPolicy(Qt::NoFocus);
        area->viewport()->setBackgroundRole(QPalette::Window);
        area->setWidget(canvas_);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(area);
    }
    setFixedSize(place.client);
    move(place.position);
}

FormWindow::~FormWindow() = default;

ControlEntry* FormWindow::find(std::string_view name) {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : &it->second;
}

std::vector<ControlEntry*> FormWindow::entries() {
    std::vector<ControlEntry*> out;
    for (auto& [name, e] : entries_) out.push_back(&e);
    return out;
}

void FormWindow::build() {
    for (const ControlSpec& spec : form_controls(window_)) {
        ControlEntry& e = entries_[std::string(spec.control.name)];
        e.control = spec.control;
        e.kind = spec.kind;
        e.caption = spec.caption;
        if (spec.text_colour) e.colour = rgb(*spec.text_colour);
        if (spec.background) e.background = rgb(*spec.background);
        if (spec.kind == ControlKind::Menu || spec.kind == ControlKind::SubMenu ||
            spec.kind == ControlKind::MenuItem) {
            make_menu_entry(spec, e);
            continue;
        }
        QWidget* parent = this;
        if (!spec.parent.empty()) {
            ControlEntry* container = find(spec.parent);
            if (container && container->widget) parent = container->widget;
        }
        QWidget* w = make_widget(spec, parent, e);
        e.widget = w;
        w->setObjectName(qt_name(spec.control.name));
        w->setAccessibleDescription(qt_name(spec.control.name));
        const std::string& said = spec.caption.empty() ? spec.description : spec.caption;
        w->setAccessibleName(qt_caption(said));
        w->setGeometry(spec.left, spec.top, spec.width, spec.height);
        if (spec.font != FontSpec{}) w->setFont(form_font(spec.font));
        if (auto* l = qobject_cast<QLabel*>(w);
            l && (spec.kind == ControlKind::Label || spec.kind == ControlKind::LinkLabel))
            set_label_text(l, qt_caption(spec.caption));
        // A label lower than its face's line box shows its glyphs only when
        // the line is centred on it.
        if (auto* l = qobject_cast<QLabel*>(w);
            l && spec.height > 1 && spec.height < l->fontMetrics().height())
            l->setAlignment((l->alignment() & ~Qt::AlignVertical_Mask) | Qt::AlignVCenter);
        w->setVisible(spec.visible);
        w->setEnabled(spec.enabled);
        restyle(e);
        watch(w, e);
    }
}

QWidget* FormWindow::make_widget(const ControlSpec& spec, QWidget* parent, ControlEntry& e) {
    switch (spec.kind) {
        case ControlKind::Frame: {
            const QColor border = spec.border ? qcolour(*spec.border) : QColor(Qt::black);
            const WindowSpec& ws = form_window(window_);
            const QColor background = spec.background ? qcolour(*spec.background)
                                      : ws.background ? qcolour(*ws.background)
                                                      : palette().color(QPalette::Window);
            return new BorderFrame(border, background, parent);
        }
        case ControlKind::Label:
        case ControlKind::LinkLabel: {
            auto* l = new FormLabel(qt_caption(spec.caption), parent);
            l->setTextFormat(Qt::PlainText);
            Qt::Alignment a = qt_align(spec.align);
            a |= spec.vertical_centre ? Qt::AlignVCenter : Qt::AlignTop;
            l->setAlignment(a);
            l->setWordWrap(spec.word_wrap);
            if (spec.kind == ControlKind::LinkLabel) l->setCursor(Qt::PointingHandCursor);
            return l;
        }
        case ControlKind::Button: {
            auto* b = new QPushButton(qt_caption(spec.caption), parent);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, &e] { report(e, Event::Clicked); });
            return b;
        }
        case ControlKind::PictureBox: {
            auto* l = new QLabel(parent);
            l->setAlignment(Qt::AlignCenter);
            l->setMouseTracking(true);
            if (!spec.picture.empty())
                e.picture.load(QStringLiteral(":/pictures/") + qt_name(spec.picture));
            return l;
        }
        case ControlKind::EditBox: {
            auto* ed = new QLineEdit(qt_text(spec.caption), parent);
            return ed;
        }
        case ControlKind::DropDown: {
            auto* c = new QComboBox(parent);
            for (const ItemSpec& item : spec.items)
                c->addItem(qt_text(item.text), QVariant::fromValue<qint64>(item.value));
            c->setCurrentIndex(-1);
            connect(c, &QComboBox::activated, this, [this, &e](int index) {
                EventArgs args;
                args.index = index;
                report(e, Event::SelectionChanged, args);
            });
            return c;
        }
        case ControlKind::ListBox: {
            auto* l = new QListWidget(parent);
            for (const ItemSpec& item : spec.items) {
                auto* it = new QListWidgetItem(qt_text(item.text), l);
                it->setData(Qt::UserRole, QVariant::fromValue<qint64>(item.value));
            }
            connect(l, &QListWidget::itemClicked, this, [this, &e, l](QListWidgetItem* it) {
                EventArgs args;
                args.index = l->row(it);
                report(e, Event::SelectionChanged, args);
            });
            return l;
        }
        case ControlKind::ListView: {
            auto* t = new QTreeWidget(parent);
            t->setRootIsDecorated(false);
            t->setUniformRowHeights(true);
            t->setAllColumnsShowFocus(true);
            t->setSelectionMode(QAbstractItemView::SingleSelection);
            t->setSelectionBehavior(QAbstractItemView::SelectRows);
            t->setEditTriggers(QAbstractItemView::NoEditTriggers);
            t->setColumnCount(static_cast<int>(spec.columns.size()));
            QStringList captions;
            for (const ColumnSpec& col : spec.columns) captions << qt_text(col.caption);
            t->setHeaderLabels(captions);
            t->header()->setStretchLastSection(false);
            t->header()->setSectionsMovable(false);
            for (size_t i = 0; i < spec.columns.size(); ++i) {
                const ColumnSpec& col = spec.columns[i];
                const int n = static_cast<int>(i);
                const Qt::Alignment a = qt_align(col.align) | Qt::AlignVCenter;
                e.column_align.push_back(a);
                t->headerItem()->setTextAlignment(n, a);
                t->setColumnWidth(n, col.width);
                if (col.width == 0) t->setColumnHidden(n, true);
            }
            connect(t, &QTreeWidget::itemDoubleClicked, this,
                    [this, &e, t](QTreeWidgetItem* it, int) {
                        EventArgs args;
                        args.index = t->indexOfTopLevelItem(it);
                        report(e, Event::DoubleClicked, args);
                    });
            return t;
        }
        case ControlKind::RichText: {
            auto* t = new QTextEdit(parent);
            t->setReadOnly(true);
            t->setFrameShape(QFrame::NoFrame);
            t->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            t->setLineWrapMode(QTextEdit::WidgetWidth);
            if (spec.arrow_cursor) t->viewport()->setCursor(Qt::ArrowCursor);
            return t;
        }
        case ControlKind::TabStrip: {
            auto* t = new QTabWidget(parent);
            connect(t, &QTabWidget::currentChanged, this, [this, &e](int index) {
                EventArgs args;
                args.index = index;
                report(e, Event::TabChanged, args);
            });
            return t;
        }
        case ControlKind::Browser:
            return new BrowserPlaceholder(parent);
        case ControlKind::Menu:
        case ControlKind::SubMenu:
        case ControlKind::MenuItem:
            break;
    }
    return new QWidget(parent);
}

void FormWindow::make_menu_entry(const ControlSpec& spec, ControlEntry& e) {
    ControlEntry* parent = spec.parent.empty() ? nullptr : find(spec.parent);
    QMenu* parent_menu = parent ? parent->menu : nullptr;
    const QString caption = qt_caption(spec.caption);
    switch (spec.kind) {
        case ControlKind::Menu:
            e.menu = new QMenu(caption, this);
            e.menu->setObjectName(qt_name(spec.control.name));
            e.action = e.menu->menuAction();
            break;
        case ControlKind::SubMenu:
            e.menu = parent_menu ? parent_menu->addMenu(caption) : new QMenu(caption, this);
            e.menu->setObjectName(qt_name(spec.control.name));
            e.action = e.menu->menuAction();
            break;
        default:
            e.action = parent_menu ? parent_menu->addAction(caption) : new QAction(caption, this);
            e.action->setObjectName(qt_name(spec.control.name));
            connect(e.action, &QAction::triggered, this, [this, &e] { report(e, Event::Clicked); });
            break;
    }
    e.action->setVisible(spec.visible);
    e.action->setEnabled(spec.enabled);
    e.action_enabled = spec.enabled;
}

void FormWindow::watch(QWidget* w, ControlEntry& e) {
    switch (e.kind) {
        case ControlKind::Label:
        case ControlKind::LinkLabel:
        case ControlKind::PictureBox:
        case ControlKind::EditBox:
        case ControlKind::DropDown:
            w->installEventFilter(this);
            watched_[w] = &e;
            break;
        case ControlKind::ListBox:
        case ControlKind::ListView: {
            auto* view = static_cast<QAbstractItemView*>(w);
            w->installEventFilter(this);
            watched_[w] = &e;
            view->viewport()->installEventFilter(this);
            watched_[view->viewport()] = &e;
            break;
        }
        default:
            break;
    }
}

void FormWindow::restyle(ControlEntry& e) {
    if (!e.widget) return;
    switch (e.kind) {
        case ControlKind::Label:
        case ControlKind::LinkLabel: {
            QString s = QStringLiteral("QLabel { color: %1;").arg(css(e.colour));
            if (e.background) s += QStringLiteral(" background-color: %1;").arg(css(*e.background));
            s += QStringLiteral(" }");
            if (e.hover) s += QStringLiteral(" QLabel:hover { color: %1; }").arg(css(*e.hover));
            e.widget->setStyleSheet(s);
            break;
        }
        case ControlKind::Button:
            if (e.colour != Rgb{0, 0, 0})
                e.widget->setStyleSheet(QStringLiteral("color: %1;").arg(css(e.colour)));
            break;
        case ControlKind::PictureBox:
            show_picture(e);
            break;
        default:
            break;
    }
}

void FormWindow::show_picture(ControlEntry& e) {
    auto* l = qobject_cast<QLabel*>(e.widget);
    if (!l) return;
    if (e.picture.isNull()) {
        l->clear();
        return;
    }
    const QSize box = l->size();
    if (e.picture.width() <= box.width() && e.picture.height() <= box.height()) {
        l->setPixmap(e.picture);
        return;
    }
    l->setPixmap(e.picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void FormWindow::activate_once() {
    if (activated_ || closing) return;
    activated_ = true;
    if (reporting_) view_.report_window(window_, WindowEvent::FirstActivated);
}

bool FormWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) activate_once();
    return QWidget::event(e);
}

void FormWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    if (!closing && reporting_) view_.close_window(window_);
}

void FormWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // The program sizes its controls from the window's outer size.
    const QSize outer = size() + (QSize(form_window(window_).width, form_window(window_).height) -
                                  client_size(form_window(window_)));
    if (reporting_)
        view_.report_window(window_, WindowEvent::SizeChanged, outer.width(), outer.height());
}

bool FormWindow::eventFilter(QObject* watched, QEvent* ev) {
    auto it = watched_.find(watched);
    if (it == watched_.end()) return QWidget::eventFilter(watched, ev);
    ControlEntry& e = *it->second;
    auto* target = static_cast<QWidget*>(watched);
    const auto mouse_args = [&](QEvent* event) {
        auto* m = static_cast<QMouseEvent*>(event);
        // Positions are relative to the control, not to a list's viewport.
        const QPoint p = target->mapTo(e.widget, m->position().toPoint());
        EventArgs args;
        args.x = p.x();
        args.y = p.y();
        return args;
    };
    switch (ev->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(ev)->button() == Qt::LeftButton &&
                (e.kind == ControlKind::Label || e.kind == ControlKind::LinkLabel ||
                 e.kind == ControlKind::PictureBox))
                report(e, Event::LeftPressed, mouse_args(ev));
            break;
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(ev);
            if (m->button() != Qt::LeftButton) break;
            if (!(e.kind == ControlKind::Label || e.kind == ControlKind::LinkLabel ||
                  e.kind == ControlKind::PictureBox))
                break;
            if (!target->rect().contains(m->position().toPoint())) break;
            const int opened = view_.open_count();
            const std::string link = e.link;
            report(e, Event::LeftReleased, mouse_args(ev));
            // A link label opens its own target, unless its handler already
            // opened an address for this click.
            if (reporting_ && e.kind == ControlKind::LinkLabel && view_.open_count() == opened &&
                !link.empty())
                view_.open_address(link);
            break;
        }
        case QEvent::MouseMove:
            if (e.kind == ControlKind::PictureBox || e.kind == ControlKind::Label ||
                e.kind == ControlKind::LinkLabel)
                report(e, Event::MouseMoved, mouse_args(ev));
            break;
        case QEvent::FocusIn:
            if (watched == e.widget) report(e, Event::GotFocus);
            break;
        case QEvent::FocusOut:
            if (watched == e.widget) report(e, Event::LostFocus);
            break;
        case QEvent::KeyPress:
            if (e.kind == ControlKind::ListBox && watched == e.widget) {
                auto* k = static_cast<QKeyEvent*>(ev);
                auto* l = static_cast<QListWidget*>(e.widget);
                if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
                    l->currentRow() >= 0) {
                    EventArgs args;
                    args.index = l->currentRow();
                    report(e, Event::SelectionChanged, args);
                }
            }
            break;
        case QEvent::Resize:
            if (e.kind == ControlKind::PictureBox && watched == e.widget) show_picture(e);
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, ev);
}

void FormWindow::report(const ControlEntry& e, Event ev, EventArgs args) {
    if (!reporting_) return;
    args.by_user = true;
    view_.report(e.control, ev, args);
}

}  // namespace quillet
