// Every window and control the form table defines exists on screen under its
// name, with its kind, place, size and initial state.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include "session/form_table.h"
#include "tests/support/gbk_literal.h"
#include "ui/form_window.h"
#include "ui/qt_text.h"
#include "ui/qt_view.h"
#include "ui/tests/ui_fixture.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::utf8;

const char* expected_class(ControlKind k) {
    switch (k) {
        case ControlKind::Frame:
            return "QFrame";
        case ControlKind::Label:
        case ControlKind::LinkLabel:
        case ControlKind::PictureBox:
            return "QLabel";
        case ControlKind::Button:
            return "QPushButton";
        case ControlKind::EditBox:
            return "QLineEdit";
        case ControlKind::DropDown:
            return "QComboBox";
        case ControlKind::ListBox:
            return "QListWidget";
        case ControlKind::ListView:
            return "QTreeWidget";
        case ControlKind::RichText:
            return "QTextEdit";
        case ControlKind::TabStrip:
            return "QTabWidget";
        case ControlKind::Browser:
            return "QWidget";
        default:
            return "";
    }
}

class FormInventory : public ::testing::TestWithParam<Window> {
  protected:
    QtView view;
};

TEST_P(FormInventory, EveryControlStandsWhereTheTablePutsIt) {
    const Window w = GetParam();
    view.show_window(w, false);
    FormWindow* form = view.form(w);
    ASSERT_NE(form, nullptr);
    const WindowSpec& ws = form_window(w);
    EXPECT_EQ(form->objectName(), qt_name(ws.name));
    EXPECT_EQ(form->size(), FormWindow::client_size(ws));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "fixed size";
    EXPECT_EQ(form->windowFlags().testFlag(Qt::Tool), ws.tool_window);

    for (const ControlSpec& spec : form_controls(w)) {
        const QString name = qt_name(spec.control.name);
        SCOPED_TRACE(spec.control.name);
        if (spec.kind == ControlKind::Menu || spec.kind == ControlKind::SubMenu ||
            spec.kind == ControlKind::MenuItem) {
            QAction* a = form->findChild<QAction*>(name);
            if (spec.kind != ControlKind::MenuItem) {
                QMenu* m = form->findChild<QMenu*>(name);
                ASSERT_NE(m, nullptr);
                a = m->menuAction();
            }
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->text(), qt_caption(spec.caption));
            EXPECT_EQ(a->isVisible(), spec.visible);
            EXPECT_EQ(view.visible(spec.control), spec.visible);
            EXPECT_EQ(view.enabled(spec.control), spec.enabled);
            continue;
        }
        QWidget* widget = form->findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(expected_class(spec.kind)))
            << widget->metaObject()->className();
        EXPECT_EQ(widget->accessibleDescription(), name);
        EXPECT_EQ(widget->geometry(), QRect(spec.left, spec.top, spec.width, spec.height));
        const QString parent = spec.parent.empty() ? qt_name(ws.name) : qt_name(spec.parent);
        EXPECT_EQ(widget->parentWidget()->objectName(), parent);
        EXPECT_EQ(view.visible(spec.control), spec.visible);
        EXPECT_EQ(view.enabled(spec.control), spec.enabled);
        EXPECT_EQ(view.caption(spec.control), spec.caption);
        if (auto* l = qobject_cast<QLabel*>(widget); l && l->textFormat() == Qt::PlainText &&
                                                     spec.kind != ControlKind::PictureBox &&
                                                     spec.kind != ControlKind::Browser) {
            EXPECT_EQ(l->text(), qt_caption(spec.caption));
        }
        if (auto* b = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(b->text(), qt_caption(spec.caption));
        }
        if (spec.font.pixel_size > 0) {
            EXPECT_EQ(widget->font().pixelSize(), spec.font.pixel_size);
        }
        if (spec.font.bold) {
            EXPECT_TRUE(widget->font().bold());
        }
        if (!spec.picture.empty()) {
            auto* l = qobject_cast<QLabel*>(widget);
            ASSERT_NE(l, nullptr);
            EXPECT_FALSE(l->pixmap().isNull()) << "picture " << spec.picture;
            EXPECT_LE(l->pixmap().width(), spec.width);
            EXPECT_LE(l->pixmap().height(), spec.height);
        }
        if (!spec.items.empty()) {
            ASSERT_EQ(view.item_count(spec.control), static_cast<int>(spec.items.size()));
            for (size_t i = 0; i < spec.items.size(); ++i) {
                EXPECT_EQ(view.item_text(spec.control, static_cast<int>(i)), spec.items[i].text);
                EXPECT_EQ(view.item_value(spec.control, static_cast<int>(i)), spec.items[i].value);
            }
        }
        if (auto* t = qobject_cast<QTreeWidget*>(widget)) {
            ASSERT_EQ(t->columnCount(), static_cast<int>(spec.columns.size()));
            for (size_t i = 0; i < spec.columns.size(); ++i) {
                const int n = static_cast<int>(i);
                EXPECT_EQ(t->headerItem()->text(n), qt_text(spec.columns[i].caption));
                EXPECT_EQ(t->isColumnHidden(n), spec.columns[i].width == 0);
                if (spec.columns[i].width > 0) {
                    EXPECT_EQ(t->columnWidth(n), spec.columns[i].width);
                }
            }
        }
    }
    view.close_window(w);
    EXPECT_FALSE(view.is_loaded(w));
}

INSTANTIATE_TEST_SUITE_P(Windows, FormInventory,
                         ::testing::Values(Window::Version, Window::Login, Window::Main,
                                           Window::ActivityBrowser, Window::Notice),
                         [](const ::testing::TestParamInfo<Window>& p) {
                             return std::string(window_name(p.param));
                         });

// What a player sees first in a fresh main window.
TEST(FreshMainWindow, ShowsTheLogAndHeaderWithActionsLockedAndPanelsHidden) {
    QtView view;
    view.show_window(Window::Main, false);
    using namespace ctl::main;
    EXPECT_TRUE(view.visible(外形框_日志));
    EXPECT_EQ(utf8(view.caption(标签_头像_大区)), "请绑定大区");
    EXPECT_EQ(utf8(view.caption(标签_头像_昵称)), "未知");
    for (Control c : {按钮_更换账号, 按钮_绑定大区, 按钮_一键领取, 按钮_手动活动, 按钮_Quillet,
                      超级链接框_CDK兑换, 超级链接框_支持, 超级链接框_反馈})
        EXPECT_FALSE(view.enabled(c)) << c.name;
    for (Control c : {外形框_活动列表, 外形框_消费列表, 外形框_CDK兑换, 外形框_支持,
                      外形框_我的资产, 外形框_战绩, 外形框_月券, 外形框_配置, 外形框_提示})
        EXPECT_FALSE(view.visible(c)) << c.name;
    for (int i = 1; i <= ctl::menu::kManualPositions; ++i)
        EXPECT_FALSE(view.visible(ctl::menu::manual_slot(1, i)));
    EXPECT_FALSE(view.visible(ctl::menu::助手配置));
    EXPECT_TRUE(view.visible(ctl::menu::扫描全区));
    EXPECT_EQ(utf8(view.caption(链接框_广告7)), "我要租此广告位");
    view.close_window(Window::Main);
}

TEST(WindowFit, AWindowStaysInsideTheScreensAvailableArea) {
    // The main window's outer and client size; the areas are in Qt's own
    // (scaled) pixels: 1600x1000 at scale 2 is 800x500.
    const QSize outer(830, 512), client(824, 483);
    struct Case {
        const char* screen;
        QRect available;
        QPoint position;
        QSize client;
    };
    const std::vector<Case> cases = {
        {"room to spare", QRect(0, 0, 1024, 700), QPoint(50, 50), client},
        {"a panel at the top and left", QRect(64, 30, 1536, 970), QPoint(114, 80), client},
        {"just fits", QRect(0, 0, 850, 540), QPoint(20, 28), client},
        {"exactly its size", QRect(0, 0, 830, 512), QPoint(0, 0), client},
        {"1600x1000 at scale 2", QRect(0, 0, 800, 500), QPoint(0, 0), QSize(794, 471)},
        {"a second screen to the right", QRect(1920, 0, 800, 600), QPoint(1920, 50),
         QSize(794, 483)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        const ScreenPlace p = fit_window(outer, client, c.available);
        EXPECT_EQ(p.position, c.position);
        EXPECT_EQ(p.client, c.client);
        EXPECT_TRUE(c.available.contains(QRect(p.position, p.client + (outer - client))));
    }
}

TEST(WindowFit, AWindowLargerThanTheScreenKeepsEveryControlWithinReach) {
    QtView view;
    for (const QRect& area : {QRect(0, 0, 800, 500), QRect(0, 0, 1600, 1000)}) {
        FormWindow form(Window::Main, view, false);
        form.fit_into(area);
        const WindowSpec& ws = form_window(Window::Main);
        const QSize frame = QSize(ws.width, ws.height) - FormWindow::client_size(ws);
        EXPECT_TRUE(area.contains(QRect(form.pos(), form.size() + frame)));
        auto* scroll = form.findChild<QScrollArea*>();
        const bool smaller = area.width() < ws.width;
        ASSERT_EQ(scroll != nullptr, smaller);
        if (smaller) {
            form.show();
            // The controls scroll, at their places on a canvas of the form's size.
            EXPECT_EQ(scroll->widget()->size(), FormWindow::client_size(ws));
            EXPECT_EQ(scroll->horizontalScrollBar()->maximum(),
                      FormWindow::client_size(ws).width() - scroll->viewport()->width());
        }
        for (const ControlSpec& spec : form_controls(Window::Main)) {
            if (spec.kind == ControlKind::Menu || spec.kind == ControlKind::SubMenu ||
                spec.kind == ControlKind::MenuItem)
                continue;
            SCOPED_TRACE(spec.control.name);
            QWidget* w = form.findChild<QWidget*>(qt_name(spec.control.name));
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->geometry(), QRect(spec.left, spec.top, spec.width, spec.height));
            EXPECT_EQ(w->isVisibleTo(w->parentWidget()), spec.visible);
        }
    }
}

}  // namespace
}  // namespace quillet
