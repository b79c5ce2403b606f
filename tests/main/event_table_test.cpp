// The windows' event tables, headless: the application object over the
// recording view and the built-in simulator. Each row does what its window
// promises: which job starts and whether the controls are locked first, which
// panel shows, which address opens, what the menus and the hover box do.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "main/application.h"
#include "main/login.h"
#include "main/window_controllers.h"
#include "net/cookie_jar.h"
#include "sandbox/sandbox.h"
#include "session/session.h"
#include "tests/main/app_bed.h"
#include "tests/support/gbk_literal.h"
#include "tests/support/recording_view.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::RecordingView;
namespace c = ctl::main;
namespace m = ctl::menu;

class EventTable : public testing::AppBed {
  protected:
    void SetUp() override {
        AppBed::SetUp();
        view.set_window_position(Window::Main, Point{100, 200});
    }

    // MainWindow shown as a start-up shows it, its first jobs ended.
    void open_main_window() {
        view.show_window(Window::Main, false);
        wait();
    }
    // A user's event; the recorded calls it made at once (before any job
    // ran on) start at the returned mark.
    size_t raise(Control ctl, Event e, EventArgs a = {}) {
        view.clear_events();
        app.control_event(ctl, e, a);
        return 0;
    }
    bool locked_first() const {
        const auto events = view.events();
        return !events.empty() && events.front().op == "enabled" &&
               events.front().target == "按钮_更换账号" && events.front().value == "false";
    }
    std::vector<std::string> opened() const {
        std::vector<std::string> out;
        for (const ViewEvent& e : view.events_of("open")) out.push_back(e.value);
        return out;
    }
    bool logged(const char* utf8_part) const {
        for (const std::string& t : view.log_texts())
            if (t.find(gbk(utf8_part)) != std::string::npos) return true;
        return false;
    }
    std::vector<Control> visible_panels() const {
        std::vector<Control> out;
        for (Control p : panel_set())
            if (!(p == c::外形框_头像) && view.is_visible(p)) out.push_back(p);
        return out;
    }
};

TEST_F(EventTable, CreationPreparesTheWindowAndTheFirstActivationInitialisesTheAccount) {
    view.set_recording(true);
    open_main_window();
    EXPECT_EQ(view.state(c::图片框_头像).rounded_clip, (std::pair{2, 3}));
    EXPECT_EQ(view.item_count(c::列表框_大区), 42);
    EXPECT_EQ(view.item_count(c::组合框_大区列表), 42);
    EXPECT_EQ(view.state(c::超文本浏览框_统计).browser_address,
              "http://" + s().hosts[Host::VENDOR] + "/cf/tongji.php");
    EXPECT_FALSE(app.cleaner().phrases().empty());
    EXPECT_EQ(view.window_title(Window::Main),
              gbk("Quillet - 打造专业的CF工具，永久免费  http://") + s().hosts[Host::VENDOR]);
    EXPECT_TRUE(logged("信息初始化成功"));
    EXPECT_TRUE(view.is_enabled(c::按钮_一键领取));
    // The scroll and menu jobs ran beside the initialisation.
    EXPECT_TRUE(app.menu().loaded());
    EXPECT_EQ(view.caption_of(c::标签_滚动广告).empty(), false);
}

// The locked rows: lock_controls runs on the calling thread before the
// worker starts, then the feature's panel or lines appear.
TEST_F(EventTable, LockedRowsLockFirstThenRunTheirFeature) {
    open_main_window();
    view.set_recording(true);
    struct Case {
        const char* name;
        Control control;
        Control panel;         // the panel the feature shows; 外形框_头像 for none
        const char* log_part;  // a line it writes; nullptr for none
    };
    const Case cases[] = {
        {"claim", c::按钮_一键领取, c::外形框_头像, "一键领取结束"},
        {"activity list", m::活动列表, c::外形框_活动列表, nullptr},
        {"spend", m::消费记录, c::外形框_消费列表, nullptr},
        {"war stats", m::战绩查询, c::外形框_战绩, nullptr},
        {"assets menu", m::我的资产, c::外形框_我的资产, nullptr},
        {"vouchers", m::月券聚豆, c::外形框_月券, nullptr},
        {"scan", m::扫描全区, c::外形框_头像, "共扫描到"},
        {"ban", m::封号查询, c::外形框_头像, "封号"},
        {"secondary", c::按钮_我的资产_副武器, c::外形框_我的资产, nullptr},
        {"melee", c::按钮_我的资产_近身武器, c::外形框_我的资产, nullptr},
        {"throwing", c::按钮_我的资产_投掷武器, c::外形框_我的资产, nullptr},
        {"main weapons", c::按钮_我的资产_主武器, c::外形框_我的资产, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        return_to_log(s(), c::外形框_战绩);  // any earlier panel hidden below
        for (Control p : panel_set()) view.set_visible(p, p == c::外形框_头像);
        raise(k.control, Event::Clicked);
        EXPECT_TRUE(locked_first());
        wait();
        if (!(k.panel == c::外形框_头像)) {
            EXPECT_EQ(visible_panels(), std::vector<Control>{k.panel});
        }
        if (k.log_part) {
            EXPECT_TRUE(logged(k.log_part));
        }
        // The job ended with unlock_controls.
        EXPECT_TRUE(view.is_enabled(c::按钮_更换账号));
    }
}

TEST_F(EventTable, UnlockedRowsAndPanelsRunWithoutTheLock) {
    open_main_window();
    view.set_recording(true);

    raise(c::超级链接框_CDK兑换, Event::LeftReleased);
    EXPECT_FALSE(locked_first());
    wait();
    EXPECT_EQ(visible_panels(), std::vector<Control>{c::外形框_CDK兑换});
    EXPECT_FALSE(view.state(c::图片框_验证码).picture.empty());  // a captcha came
    EXPECT_FALSE(view.caption_of(c::标签_角色名).empty());       // the role of the region

    raise(m::助手配置, Event::Clicked);
    EXPECT_FALSE(locked_first());
    EXPECT_EQ(visible_panels(), std::vector<Control>{c::外形框_配置});
    EXPECT_EQ(view.selected_index(c::组合框_配置_优先模式), 0);

    // Two panels one after the other leave one visible, raised above the log.
    raise(c::超级链接框_支持, Event::LeftReleased);
    EXPECT_EQ(visible_panels(), std::vector<Control>{c::外形框_支持});
    EXPECT_GT(view.state(c::外形框_支持).raised, 0);
    EXPECT_FALSE(view.is_visible(c::外形框_头像));

    raise(c::按钮_支持返回日志, Event::Clicked);
    EXPECT_TRUE(visible_panels().empty());
    EXPECT_TRUE(view.is_visible(c::外形框_头像));
}

TEST_F(EventTable, EveryReturnButtonHidesItsOwnPanel) {
    open_main_window();
    const std::pair<Control, Control> backs[] = {
        {c::按钮_CDK兑换返回日志, c::外形框_CDK兑换},
        {c::按钮_支持返回日志, c::外形框_支持},
        {c::按钮_我的资产返回日志, c::外形框_我的资产},
        {c::按钮_活动列表返回日志, c::外形框_活动列表},
        {c::按钮_月券返回日志, c::外形框_月券},
        {c::按钮_战绩返回日志, c::外形框_战绩},
        {c::按钮_消费记录返回日志, c::外形框_消费列表},
        {c::按钮_配置返回日志, c::外形框_配置},
    };
    for (const auto& [button, panel] : backs) {
        SCOPED_TRACE(std::string(button.name));
        show_panel(s(), panel);
        raise(button, Event::Clicked);
        EXPECT_FALSE(view.is_visible(panel));
        EXPECT_TRUE(view.is_visible(c::外形框_头像));
    }
}

TEST_F(EventTable, AddressesOpenFromTagsLinksAndTheActivityList) {
    open_main_window();
    view.set_recording(true);
    view.set_tag(c::图片框_广告, "http://ad.example/picture");
    view.set_tag(c::标签_滚动广告, "https://ad.example/scroll");
    view.clear_events();
    app.control_event(c::图片框_广告, Event::LeftReleased);
    app.control_event(c::标签_滚动广告, Event::LeftPressed);
    app.control_event(c::图片框_QQ群, Event::LeftPressed);
    app.control_event(c::超级链接框_反馈, Event::LeftReleased);
    const std::string vendor = "http://" + s().hosts[Host::VENDOR];
    EXPECT_EQ(opened(),
              (std::vector<std::string>{"http://ad.example/picture", "https://ad.example/scroll",
                                        vendor + "/qqgroup", vendor + "/feedback"}));
    EXPECT_EQ(view.state(c::超级链接框_反馈).link_target, vendor + "/feedback");

    // The configuration file may name other pages.
    s().config.write("links", "qq_group", "https://group.example/join");
    view.clear_events();
    app.control_event(c::图片框_QQ群, Event::LeftPressed);
    EXPECT_EQ(opened(), std::vector<std::string>{"https://group.example/join"});

    // Double-click: nothing without a selected row, else the hidden fifth column.
    view.add_row(c::超级列表框_活动列表, {"a", "b", "c", "d", "http://act.example/1"});
    view.clear_events();
    app.control_event(c::超级列表框_活动列表, Event::DoubleClicked);
    EXPECT_TRUE(opened().empty());
    view.select_row(c::超级列表框_活动列表, 0);
    app.control_event(c::超级列表框_活动列表, Event::DoubleClicked);
    EXPECT_EQ(opened(), std::vector<std::string>{"http://act.example/1"});
}

TEST_F(EventTable, MenusPopUpUnderTheirButtons) {
    open_main_window();
    app.control_event(c::按钮_Quillet, Event::Clicked);
    app.control_event(c::按钮_手动活动, Event::Clicked);
    wait();
    // Window left + button left + 1, window top + button top + 64.
    const auto popups = view.popups();
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[0],
              (std::pair<std::string, Point>{"Quillet", {100 + 536 + 1, 200 + 16 + 64}}));
    EXPECT_EQ(popups[1],
              (std::pair<std::string, Point>{"手动活动", {100 + 450 + 1, 200 + 16 + 64}}));
}

TEST_F(EventTable, TheManualMenuIsReadOnAWorkerWhenTheFirstReadingFailed) {
    sim().misbehave("/cf/res/menu.js", sandbox::Misbehaviour::Garbage);
    open_main_window();
    ASSERT_FALSE(app.menu().loaded());
    sim().clear_misbehaviour();
    view.set_recording(true);
    view.clear_events();
    app.control_event(c::按钮_手动活动, Event::Clicked);
    // The button waits for the reading; the menu pops up when it is read.
    EXPECT_FALSE(view.events_for(c::按钮_手动活动).empty());
    wait();
    EXPECT_TRUE(app.menu().loaded());
    EXPECT_TRUE(view.is_enabled(c::按钮_手动活动));
    ASSERT_EQ(view.popups().size(), 1u);
    EXPECT_EQ(view.popups()[0].first, "手动活动");
}

TEST_F(EventTable, TheRegionListDropsDownAndHidesWhenItLosesTheFocus) {
    open_main_window();
    view.set_recording(true);
    app.control_event(c::按钮_绑定大区, Event::Clicked);
    EXPECT_TRUE(view.is_visible(c::列表框_大区));
    EXPECT_FALSE(view.events_of("focus").empty());
    app.control_event(c::列表框_大区, Event::LostFocus);
    EXPECT_FALSE(view.is_visible(c::列表框_大区));
}

TEST_F(EventTable, ProgrammaticSelectionsStartNothing) {
    open_main_window();
    const size_t requests = sim().requests().size();
    view.set_recording(true);
    view.clear_events();
    EventArgs by_job;
    by_job.by_user = false;
    view.select_index(c::列表框_大区, 3);
    app.control_event(c::列表框_大区, Event::SelectionChanged, by_job);
    view.select_index(c::组合框_大区列表, 3);
    app.control_event(c::组合框_大区列表, Event::SelectionChanged, by_job);
    wait();
    EXPECT_EQ(sim().requests().size(), requests);
    EXPECT_FALSE(locked_first());
    // The same selection by the user binds the region.
    EventArgs by_user;
    view.clear_events();
    app.control_event(c::列表框_大区, Event::SelectionChanged, by_user);
    EXPECT_TRUE(locked_first());
    wait();
    EXPECT_GT(sim().requests().size(), requests);
}

TEST_F(EventTable, TheVipHoverBoxFollowsTheMouseWithBothBoundsInside) {
    open_main_window();
    struct Move {
        int x, y;
        bool shown;
    };
    // The badge is 20 x 20: 0..20 inclusive is inside.
    const Move moves[] = {{5, 5, true},   {20, 20, true}, {21, 20, false}, {0, 0, true},
                          {0, -1, false}, {-1, 5, false}, {10, 10, true},  {10, 10, true}};
    for (const Move& mv : moves) {
        SCOPED_TRACE(std::to_string(mv.x) + "," + std::to_string(mv.y));
        EventArgs a;
        a.x = mv.x;
        a.y = mv.y;
        app.control_event(c::图片框_CFVIP, Event::MouseMoved, a);
        EXPECT_EQ(view.is_visible(c::外形框_提示), mv.shown);
        EXPECT_EQ(view.state(c::图片框_CFVIP).captured, mv.shown);
    }
}

TEST_F(EventTable, TheCdkeyBoxTakesOnlyASixteenByteClipboardWhenEmpty) {
    open_main_window();
    struct Case {
        std::string clipboard, before, after;
    };
    const Case cases[] = {
        {"ABCDEFGHIJKLMNO", "", ""},
        {"ABCDEFGHIJKLMNOP", "", "ABCDEFGHIJKLMNOP"},
        {"ABCDEFGHIJKLMNOPQ", "", ""},
        {"ABCDEFGHIJKLMNOP", "TYPED", "TYPED"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.clipboard + "/" + k.before);
        view.set_clipboard(k.clipboard);
        view.set_text(c::编辑框_CDK, k.before);
        app.control_event(c::编辑框_CDK, Event::GotFocus);
        EXPECT_EQ(view.text(c::编辑框_CDK), k.after);
    }
}

TEST_F(EventTable, VoucherActionsAskOnThisThreadAndSendOnAWorkerWithTheButtonsWaiting) {
    open_main_window();
    app.control_event(m::月券聚豆, Event::Clicked);
    wait();
    ASSERT_TRUE(view.is_visible(c::外形框_月券));
    view.set_recording(true);

    // A cancelled lottery sends nothing and leaves the buttons alone.
    view.push_confirm_answer(false);
    view.clear_events();
    app.control_event(c::按钮_月券_聚豆抽奖, Event::Clicked);
    wait();
    EXPECT_TRUE(view.messages().empty());
    EXPECT_TRUE(view.events_for(c::按钮_月券_聚豆兑换).empty());

    view.select_index(c::组合框_月券_聚豆, 1);
    view.clear_events();
    app.control_event(c::按钮_月券_聚豆兑换, Event::Clicked);
    // The panel's buttons were disabled before the request went out.
    const auto first = view.events();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front().op, "enabled");
    EXPECT_EQ(first.front().value, "false");
    wait();
    EXPECT_EQ(view.messages().size(), 1u);
    EXPECT_TRUE(view.is_enabled(c::按钮_月券_聚豆兑换));
    EXPECT_TRUE(view.is_enabled(c::按钮_月券_聚豆抽奖));
}

TEST_F(EventTable, SwitchingAccountKeepsTheProgramWideObjectsAndStartsAFreshWindow) {
    // The window loop as a start-up runs it: the version, then MainWindow
    // (signed in already), the switch of account, the login closed unsigned.
    int mains = 0;
    int logins = 0;
    view.set_window_script([&, main_script = [&](Window w) {
        if (w != Window::Main) return;
        ++mains;
        wait();
        app.control_event(c::按钮_一键领取, Event::Clicked);
        wait();
        app.control_event(c::按钮_更换账号, Event::Clicked);
    }](Window w) {
        if (w == Window::Version) wait();  // the check accepts and closes it
        if (w == Window::Login) {
            // Signing in again as the same player.
            ++logins;
            if (logins == 1) sign_in_from_cookie_text(s(), sim().account_cookie());
            return;
        }
        if (w == Window::Main) {
            // A new window starts from the form's initial states.
            EXPECT_TRUE(view.is_visible(c::外形框_头像));
            EXPECT_FALSE(view.is_visible(c::外形框_支持));
            EXPECT_EQ(view.caption_of(c::标签_头像_昵称), gbk("未知"));
            main_script(w);
            show_panel(s(), c::外形框_支持);
        }
    });
    app.run_signed_in();
    EXPECT_EQ(mains, 2);
    EXPECT_EQ(logins, 2);
    // One download of the catalogue for both windows: it is kept.
    int catalogue_downloads = 0;
    for (const auto& r : sim().requests())
        if (r.path.rfind("/cf/res/data.js", 0) == 0) ++catalogue_downloads;
    EXPECT_EQ(catalogue_downloads, 1);
    EXPECT_FALSE(app.catalogue().empty());
    EXPECT_FALSE(app.cleaner().phrases().empty());
    EXPECT_TRUE(app.menu().loaded());
    EXPECT_EQ(s().jobs.running(), 0u);
}

// A window closed while its job waits on a server that never answers ends
// promptly: the job is told to stop, its request is cut short and it is
// joined while the window goes on processing events.
TEST_F(EventTable, ClosingAWindowDuringAStalledJobReturnsWithinASecond) {
    using Clock = std::chrono::steady_clock;
    auto seconds_since = [](Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    };

    sim().misbehave("/cf/res/ver.js", sandbox::Misbehaviour::Stall);
    view.set_window_script([this](Window w) {
        if (w != Window::Version) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(s().jobs.running(), 1u);  // the check is waiting
    });
    auto start = Clock::now();
    app.run();
    EXPECT_LT(seconds_since(start) - 0.2, 1.0);
    EXPECT_EQ(s().jobs.running(), 0u);
    EXPECT_FALSE(s().state.version_ok);

    // The main window during a claim pass whose claims all stall.
    sim().clear_misbehaviour();
    Clock::time_point closed;
    view.set_window_script([&](Window w) {
        if (w != Window::Main) return;
        wait();
        sim().misbehave("/ams/ame/ame.php", sandbox::Misbehaviour::Stall);
        app.control_event(c::按钮_一键领取, Event::Clicked);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(s().jobs.running(), 1u);
        closed = Clock::now();
    });
    s().state.version_ok = true;
    app.run_signed_in();
    EXPECT_LT(seconds_since(closed), 1.0);
    EXPECT_EQ(s().jobs.running(), 0u);
}

}  // namespace
}  // namespace quillet
