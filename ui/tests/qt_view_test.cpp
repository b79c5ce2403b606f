// The Qt View between threads, the log box, and which events reach the
// program as the user's.
#include "ui/qt_view.h"

#include <QtGui/qpa/qwindowsysteminterface.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest/QTest>
#include <atomic>
#include <thread>

#include "tests/support/gbk_literal.h"
#include "ui/form_window.h"
#include "ui/qt_text.h"
#include "ui/tests/ui_fixture.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::RecordingSink;
using testing::spin_until;
using testing::utf8;
using namespace ctl::main;

class QtViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        view.set_event_sink(&sink);
        view.show_window(Window::Main, false);
        ASSERT_TRUE(view.is_loaded(Window::Main));
    }
    void TearDown() override {
        if (view.is_loaded(Window::Main)) view.close_window(Window::Main);
    }
    QTextEdit* log_box() { return qobject_cast<QTextEdit*>(view.widget(超级编辑框_日志)); }
    // Runs work on a worker while this thread keeps serving the hand-offs.
    void on_worker(const std::function<void()>& work) {
        std::atomic<bool> done = false;
        std::thread t([&] {
            work();
            done = true;
        });
        const bool finished = spin_until([&] { return done.load(); }, 30000);
        t.join();
        ASSERT_TRUE(finished);
    }

    RecordingSink sink;
    QtView view;
};

TEST_F(QtViewTest, AWorkersCallsTakeEffectInTheirOrderBeforeTheyReturn) {
    std::vector<std::string> read_back;
    QThread* worker_thread = nullptr;
    on_worker([&] {
        for (int i = 0; i < 200; ++i) {
            view.append_log("[09:05:31]", gbk("[提示]第") + std::to_string(i), colour::navy);
            view.set_caption(标签_头像_大区, std::to_string(i));
            // The read runs after the write it follows, on the UI thread.
            read_back.push_back(view.caption(标签_头像_大区));
        }
        view.raise_ui_event(标签_VIP等级, 1, 2, [&] { worker_thread = QThread::currentThread(); });
    });
    EXPECT_EQ(worker_thread, QApplication::instance()->thread());
    ASSERT_EQ(read_back.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(read_back[static_cast<size_t>(i)], std::to_string(i));
    QTextDocument* doc = log_box()->document();
    // 200 lines and the empty line after the last CR LF.
    ASSERT_EQ(doc->blockCount(), 201);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(doc->findBlockByNumber(i).text(),
                  qt_text("[09:05:31]" + gbk("[提示]第") + std::to_string(i)));
}

TEST_F(QtViewTest, ACallOnTheInterfaceThreadRunsAtOnce) {
    // Inside a handler on this thread: a blocking hand-off to itself would
    // never return.
    bool ran = false;
    view.raise_ui_event(标签_头像_昵称, 0, 0, [&] {
        view.set_caption(标签_头像_昵称, gbk("小明"));
        EXPECT_EQ(utf8(view.caption(标签_头像_昵称)), "小明");
        view.pump_events();
        ran = true;
    });
    EXPECT_TRUE(ran);
}

TEST_F(QtViewTest, CallsForAClosedWindowAreIgnored) {
    view.close_window(Window::Main);
    EXPECT_FALSE(view.is_loaded(Window::Main));
    EXPECT_TRUE(sink.saw("MainWindow", "being destroyed"));
    bool ran = false;
    on_worker([&] {
        view.set_caption(标签_头像_大区, "x");
        view.append_log("[00:00:00]", "x", colour::red);
        view.add_row(超级列表框_活动列表, {"a", "b"});
        EXPECT_EQ(view.caption(标签_头像_大区), "");
        EXPECT_FALSE(view.visible(外形框_日志));
        EXPECT_EQ(view.selected_index(列表框_大区), -1);
        EXPECT_EQ(view.item_value(列表框_大区, 0), -1);
        EXPECT_EQ(view.geometry(外形框_日志), Geometry{});
        view.raise_ui_event(标签_VIP等级, 0, 0, [&] { ran = true; });
    });
    EXPECT_FALSE(ran);
    // Shown again, the window starts from the form table.
    view.show_window(Window::Main, false);
    EXPECT_EQ(utf8(view.caption(标签_头像_大区)), "请绑定大区");
}

TEST_F(QtViewTest, AWindowsLifeReachesTheProgramInOrderWithItsOuterSize) {
    sink.clear();
    view.show_window(Window::ActivityBrowser, false);
    ASSERT_TRUE(spin_until([&] { return sink.saw("ActivityBrowserWindow", "first activated"); }));
    view.close_window(Window::ActivityBrowser);
    std::vector<std::string> life;
    for (const auto& s : sink.seen()) {
        if (s.control != "ActivityBrowserWindow") continue;
        if (life.empty() || life.back() != s.what) life.push_back(s.what);
        if (s.what == "size changed") {
            EXPECT_EQ(s.args.x, 514);
            EXPECT_EQ(s.args.y, 328);
        }
    }
    const std::vector<std::string> expected = {"created", "size changed", "first activated",
                                               "being destroyed"};
    EXPECT_EQ(life, expected);
}

TEST_F(QtViewTest, TheLogBoxWritesABlackStampAndAColouredMessage) {
    view.append_log("[09:05:31]", gbk("[提示]获取QQ账号信息..."), colour::navy);
    view.append_log("[09:05:32]", "", colour::green);
    view.append_log("[09:05:33]", gbk("第一行\r\n第二行"), colour::red);
    QTextDocument* doc = log_box()->document();
    EXPECT_EQ(doc->findBlockByNumber(0).text(),
              QString::fromUtf8("[09:05:31][提示]获取QQ账号信息..."));
    EXPECT_EQ(doc->findBlockByNumber(1).text(), QString::fromUtf8("[09:05:32]"));
    EXPECT_EQ(doc->findBlockByNumber(2).text(), QString::fromUtf8("[09:05:33]第一行"));
    EXPECT_EQ(doc->findBlockByNumber(3).text(), QString::fromUtf8("第二行"));

    struct Run {
        QString text;
        QColor colour;
    };
    std::vector<Run> runs;
    for (auto it = doc->findBlockByNumber(0).begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        runs.push_back({f.text(), f.charFormat().foreground().color()});
        EXPECT_EQ(f.charFormat().fontPointSize(), 9);
        EXPECT_TRUE(
            f.charFormat().fontFamilies().toStringList().contains(QString::fromUtf8("宋体")));
    }
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, QStringLiteral("[09:05:31]"));
    EXPECT_EQ(runs[0].colour, QColor(0, 0, 0));
    EXPECT_EQ(runs[1].colour, QColor(0, 0, 128));
    EXPECT_EQ(log_box()->viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(log_box()->isReadOnly());
}

TEST_F(QtViewTest, HundredsOfLinesKeepTheNewestInView) {
    for (int i = 0; i < 400; ++i) view.append_log("[09:05:31]", std::to_string(i), colour::green);
    QScrollBar* bar = log_box()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(QtViewTest, OnlyTheUsersActionsReachTheProgramAsTheUsers) {
    view.set_enabled(按钮_一键领取, true);
    auto* combo = qobject_cast<QComboBox*>(view.widget(组合框_配置_优先模式));
    auto* list = qobject_cast<QListWidget*>(view.widget(列表框_大区));
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(list, nullptr);
    view.add_item(列表框_大区, gbk("上海电信一区"), 21);
    view.add_item(列表框_大区, gbk("广东电信一区"), 22);
    sink.clear();
    // The program's own changes raise nothing.
    view.select_index(组合框_配置_优先模式, 2);
    view.select_index(列表框_大区, 1);
    EXPECT_TRUE(sink.seen().empty());
    EXPECT_EQ(view.selected_index(组合框_配置_优先模式), 2);
    EXPECT_EQ(view.selected_index(列表框_大区), 1);
    EXPECT_EQ(view.item_value(列表框_大区, 1), 22);
    // The user's do.
    qobject_cast<QPushButton*>(view.widget(按钮_一键领取))->click();
    emit combo->activated(1);
    emit list->itemClicked(list->item(0));
    const auto seen = sink.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].control, "按钮_一键领取");
    EXPECT_EQ(seen[0].what, std::to_string(static_cast<int>(Event::Clicked)));
    EXPECT_EQ(seen[1].control, "组合框_配置_优先模式");
    EXPECT_EQ(seen[1].args.index, 1);
    EXPECT_EQ(seen[2].control, "列表框_大区");
    EXPECT_EQ(seen[2].args.index, 0);
    for (const auto& s : seen) EXPECT_TRUE(s.args.by_user);
}

TEST_F(QtViewTest, FocusMovingToAButtonTakesItFromTheRegionList) {
    QWidget* main = view.form(Window::Main);
    main->activateWindow();
    ASSERT_TRUE(spin_until([&] { return main->isActiveWindow(); }));
    view.set_enabled(按钮_一键领取, true);
    view.set_visible(列表框_大区, true);
    view.set_focus(列表框_大区);
    ASSERT_TRUE(spin_until([&] { return view.widget(列表框_大区)->hasFocus(); }));
    sink.clear();
    // A click on a button takes the focus, as it does on the desktop.
    QTest::mouseClick(view.widget(按钮_一键领取), Qt::LeftButton);
    EXPECT_TRUE(spin_until([&] { return sink.saw(列表框_大区, Event::LostFocus); }, 2000));
}

TEST_F(QtViewTest, ListViewRowsCellsAndColours) {
    view.add_row(超级列表框_活动列表, {gbk("活动"), "TGP", "3", gbk("道具"), "http://x/"});
    view.add_row(超级列表框_活动列表, {gbk("活动二"), "AMS", "1", "", ""});
    EXPECT_EQ(utf8(view.cell_text(超级列表框_活动列表, 0, 0)), "活动");
    EXPECT_EQ(view.cell_text(超级列表框_活动列表, 0, 4), "http://x/");
    EXPECT_EQ(view.cell_text(超级列表框_活动列表, 5, 0), "");
    EXPECT_EQ(view.selected_row(超级列表框_活动列表), -1);
    view.set_cell_colour(超级列表框_活动列表, 1, 2, colour::red);
    auto* tree = qobject_cast<QTreeWidget*>(view.widget(超级列表框_活动列表));
    EXPECT_EQ(tree->topLevelItem(1)->foreground(2).color(), QColor(255, 0, 0));
    tree->setCurrentItem(tree->topLevelItem(1));
    EXPECT_EQ(view.selected_row(超级列表框_活动列表), 1);
    view.clear_rows(超级列表框_活动列表);
    EXPECT_EQ(view.selected_row(超级列表框_活动列表), -1);
}

TEST_F(QtViewTest, ALinkLabelOpensItsTargetUnlessItsHandlerOpenedOne) {
    std::vector<std::string> opened;
    BoxHooks hooks;
    hooks.open = [&](const std::string& a) { opened.push_back(a); };
    view.set_box_hooks(hooks);
    view.set_link_target(链接框_广告1, "http://ad.example/");
    QWidget* link = view.widget(链接框_广告1);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), link->mapToGlobal(QPointF(3, 3)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(3, 3), link->mapToGlobal(QPointF(3, 3)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(link, &press);
    QApplication::sendEvent(link, &release);
    EXPECT_EQ(opened, std::vector<std::string>{"http://ad.example/"});
    EXPECT_TRUE(sink.saw(链接框_广告1, Event::LeftReleased));
}

// The box a worker's call has open, if any.
QDialog* open_box() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) return d;
    return nullptr;
}

// The window manager's close button, which Qt holds back from a window that
// a modal box blocks.
void close_as_the_window_manager_does(QWidget* window) {
    ASSERT_NE(window->windowHandle(), nullptr);
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
        window->windowHandle());
}

TEST_F(QtViewTest, ClosingTheWindowUnderABoxCancelsTheBoxAndClosesTheWindow) {
    struct Case {
        const char* box;
        std::function<std::string()> ask;      // on a worker: the answer it got
        std::function<void(QDialog*)> answer;  // none: the main window is closed
        std::string expected;
    };
    const auto confirm = [this] { return std::string(view.confirm_box("x", "y") ? "ok" : "no"); };
    const auto input = [this] { return view.input_box("t", "p", "").value_or("<cancelled>"); };
    const std::vector<Case> cases = {
        {"message", [this] { return view.message_box("x", "y"), std::string("back"); }, nullptr,
         "back"},
        {"confirmation", confirm, nullptr, "no"},
        {"input", input, nullptr, "<cancelled>"},
        {"confirmation answered", confirm,
         [](QDialog* d) { qobject_cast<QMessageBox*>(d)->button(QMessageBox::Ok)->click(); }, "ok"},
        {"input answered", input,
         [](QDialog* d) {
             auto* in = qobject_cast<QInputDialog*>(d);
             in->setTextValue(QStringLiteral("KXEP"));
             in->accept();
         },
         "KXEP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        if (!view.is_loaded(Window::Main)) view.show_window(Window::Main, false);
        view.set_enabled(按钮_一键领取, true);
        QWidget* main = view.form(Window::Main);
        sink.clear();
        bool clicked_under_box = true;
        // Runs inside the box's own loop, once the box shows.
        QTimer act;
        QObject::connect(&act, &QTimer::timeout, [&] {
            QDialog* box = open_box();
            if (!box) return;
            act.stop();
            // The window under the box takes no clicks while it waits.
            QTest::mouseClick(view.widget(按钮_一键领取), Qt::LeftButton);
            clicked_under_box = sink.saw(按钮_一键领取, Event::Clicked);
            if (c.answer)
                c.answer(box);
            else
                close_as_the_window_manager_does(main);
            // A box that stays open fails the case rather than the run.
            QTimer::singleShot(5000, [] {
                if (QDialog* left = open_box()) left->reject();
            });
        });
        act.start(20);
        std::string got;
        on_worker([&] { got = c.ask(); });
        EXPECT_EQ(got, c.expected);
        EXPECT_FALSE(clicked_under_box);
        EXPECT_EQ(open_box(), nullptr);
        EXPECT_EQ(view.is_loaded(Window::Main), c.answer != nullptr);
        EXPECT_EQ(sink.saw("MainWindow", "being destroyed"), c.answer == nullptr);
    }
    // With no box open, the window takes clicks again.
    sink.clear();
    QTest::mouseClick(view.widget(按钮_一键领取), Qt::LeftButton);
    EXPECT_TRUE(sink.saw(按钮_一键领取, Event::Clicked));
}

}  // namespace
}  // namespace quillet
