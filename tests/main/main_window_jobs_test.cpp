// The main window's start-up initialisation and area binding, run against the
// simulator with the in-memory view: the log lines, captions and states a
// user would see, and what reached the services.
#include "main/main_window_jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "main/vip_badges.h"
#include "tests/support/session_bed.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::utf8;
namespace c = ctl::main;

testing::BedOptions jobs_options() {
    testing::BedOptions o;
    o.simulator = true;
    o.now = {2016, 10, 19, 9, 5, 31};
    o.connect_timeout_ms = 5000;
    o.stall_timeout_ms = 10000;
    o.recording = false;
    return o;
}

// A log line as (colour name, UTF-8 text), for readable comparisons.
using Line = std::pair<std::string, std::string>;

class MainWindowJobsTest : public ::testing::Test, public testing::SessionBed {
  public:
    MainWindowJobsTest() : SessionBed(jobs_options()) {}
    ActivityCatalogue catalogue;

    void SetUp() override {
        ASSERT_GT(port, 0);
        prepare();
    }

    // A fresh simulator day, and what the window's creation and the login
    // leave behind.
    void prepare() {
        sb->reset();
        sb->clear_misbehaviour();
        sb->set_today({2016, 10, 19, 9, 5, 31});
        sb->clear_requests();
        view.load_initial_state(Window::Main);
        view.clear_items(c::列表框_大区);
        view.clear_items(c::组合框_大区列表);
        RegionTable::fill_pickers(s);
        s.state.cookie.set(sb->account_cookie());
        s.state.skey = sb->account_skey();
        s.state.g_tk = compute_g_tk(s.state.skey);
    }

    std::vector<Line> lines() const {
        std::vector<Line> out;
        for (const LogLine& l : view.log()) out.emplace_back(colour_name(l.colour), utf8(l.text));
        return out;
    }
    size_t requests_to(const std::string& path) const {
        size_t n = 0;
        for (const auto& r : sb->requests()) n += r.path == path;
        return n;
    }
    bool logged(const std::string& text) const {
        for (const Line& l : lines()) {
            if (l.second == text) return true;
        }
        return false;
    }
    void pick_area(int32_t area_id) {
        const auto items = view.state(c::列表框_大区).items;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].value == area_id) view.select_index(c::列表框_大区, static_cast<int>(i));
        }
    }
};

TEST_F(MainWindowJobsTest, StartUpFillsTheWindowWithTheAccount) {
    sb->set_vip(3, 1280, 2000, "2017-05-20", 5);
    const std::string role = "夜雨飞霜";

    ASSERT_TRUE(initialise_main_window(s, client, catalogue));

    const std::vector<Line> expected = {
        {"blue", "[公告]欢迎使用本软件，官网 " + s.http_url(Host::VENDOR)},
        {"blue", "[公告]每日自动更新活动内容，无需更新软件"},
        {"red", "[提示]避免账号误封，请勿与穿越火线同时使用。"},
        {"navy", "[提示]获取QQ账号信息..."},
        {"green",
         "[提示]QQ：【" + sb->account_qq() + "】 - 【" + sb->account_nickname() + "】 登录成功"},
        {"navy", "[提示]获取CF账号信息..."},
        {"green", "[提示]CF：【上海电信一区】 - 【" + role + "】"},
        {"navy", "[提示]获取CFVip信息..."},
        {"green", "[提示]【绿盟：5级】【CFVip：3级(1280/2000)，到期：2017-05-20】"},
        {"navy", "[提示]【Quillet】初始化信息..."},
        {"green", "[提示]【Quillet】信息初始化成功"},
    };
    EXPECT_EQ(lines(), expected);
    for (const LogLine& l : view.log()) EXPECT_EQ(l.stamp, "[09:05:31]");

    EXPECT_EQ(caption(c::标签_当前版本), "当前版本：1.1.0.19");
    EXPECT_EQ(caption(c::标签_头像_大区), "上海电信一区");
    EXPECT_EQ(caption(c::标签_头像_昵称), role);
    EXPECT_EQ(caption(c::按钮_绑定大区), "更换大区");
    EXPECT_EQ(view.state(c::列表框_大区).selected, 0);
    EXPECT_EQ(view.state(c::组合框_大区列表).selected, 0);
    EXPECT_FALSE(view.state(c::图片框_头像).picture.empty());

    EXPECT_EQ(caption(c::标签_VIP等级), "VIP等级：LV 3");
    EXPECT_EQ(caption(c::标签_成长值), "成长值：1280/2000");
    EXPECT_EQ(caption(c::标签_到期时间), "到期时间：2017-05-20");
    EXPECT_TRUE(view.state(c::标签_到期时间).visible);
    EXPECT_EQ(view.state(c::外形框_提示).geometry.height, 60);
    EXPECT_EQ(view.state(c::图片框_CFVIP).picture, std::string(vip_badge_png(3)));

    EXPECT_EQ(s.state.qq, sb->account_qq());
    EXPECT_EQ(utf8(s.state.nickname), sb->account_nickname());
    EXPECT_EQ(s.state.area_id, 320);
    EXPECT_EQ(utf8(s.state.area_name), "上海电信一区");
    EXPECT_EQ(utf8(s.state.role_name), role);
    EXPECT_TRUE(starts_with(s.state.checkparam, "cf|yes|" + sb->account_qq() + "|320|"));
    EXPECT_FALSE(s.state.md5str.empty());
    EXPECT_TRUE(s.state.area_bound);
    EXPECT_TRUE(s.state.catalogue_ready);
    EXPECT_FALSE(catalogue.empty());
    // The account's region is known to the third flow only.
    EXPECT_EQ(requests_to("/ams/ame/ame.php"), 3u);
}

TEST_F(MainWindowJobsTest, VipDisplayFollowsTheLevel) {
    const std::string grey = view.state(c::图片框_CFVIP).picture;

    sb->set_vip(0, 0, 0, "", 2);
    ASSERT_TRUE(initialise_main_window(s, client, catalogue));
    EXPECT_TRUE(logged("[提示]【绿盟：2级】【CFVip：0级】"));
    EXPECT_EQ(caption(c::标签_VIP等级), "VIP等级：LV 0");
    EXPECT_EQ(caption(c::标签_成长值), "成长值：0/0");
    EXPECT_FALSE(view.state(c::标签_到期时间).visible);
    EXPECT_EQ(view.state(c::外形框_提示).geometry.height, 42);
    EXPECT_EQ(view.state(c::图片框_CFVIP).picture, std::string(vip_badge_png(0)));
    EXPECT_EQ(requests_to("/cf/a20141126main/getUserInfo.php"), 1u);
    EXPECT_EQ(requests_to("/cgi-bin/cf/cfvip/checkCFvipStatue.cgi"), 0u);
    EXPECT_EQ(requests_to("/cf/cfvip/doCfVip.php"), 0u);

    // A later non-zero level shows the expiry again and grows the box.
    sb->set_vip(6, 90, 100, "2017-01-01", 1);
    ASSERT_TRUE(initialise_main_window(s, client, catalogue));
    EXPECT_TRUE(logged("[提示]【绿盟：1级】【CFVip：6级(90/100)，到期：2017-01-01】"));
    EXPECT_TRUE(view.state(c::标签_到期时间).visible);
    EXPECT_EQ(view.state(c::外形框_提示).geometry.height, 60);
    EXPECT_EQ(view.state(c::图片框_CFVIP).picture, std::string(vip_badge_png(6)));

    // Above the known badges the labels change but the picture stays.
    const std::string before = view.state(c::图片框_CFVIP).picture;
    sb->set_vip(7, 5, 9, "2018-02-03", 4);
    ASSERT_TRUE(initialise_main_window(s, client, catalogue));
    EXPECT_TRUE(logged("[提示]【绿盟：4级】【CFVip：7级(5/9)，到期：2018-02-03】"));
    EXPECT_EQ(caption(c::标签_VIP等级), "VIP等级：LV 7");
    EXPECT_EQ(caption(c::标签_成长值), "成长值：5/9");
    EXPECT_EQ(view.state(c::图片框_CFVIP).picture, before);
    EXPECT_NE(before, grey);

    // The seven badges are distinct pictures.
    for (int a = 0; a <= 6; ++a) {
        for (int b = a + 1; b <= 6; ++b) EXPECT_NE(vip_badge_png(a), vip_badge_png(b));
    }
    EXPECT_TRUE(vip_badge_png(7).empty());
    EXPECT_TRUE(vip_badge_png(-1).empty());
}

TEST_F(MainWindowJobsTest, StartUpStopsAtTheFirstFailedStep) {
    struct Case {
        const char* name;
        std::function<void(MainWindowJobsTest&)> arrange;
        Line last;
        size_t ams_requests;
    };
    const std::string role_path = "/comm-cgi-bin/content_admin/activity_center/query_role.cgi";
    const Case cases[] = {
        {"QQ information unanswered",
         [](MainWindowJobsTest& t) {
             t.sb->misbehave("/comm-cgi-bin/login/LoginReturnInfo.cgi",
                             sandbox::Misbehaviour::Empty);
         },
         {"red", "[提示]QQ信息获取失败，请检查网络或重新登录"},
         0},
        {"QQ login expired",
         [](MainWindowJobsTest& t) { t.s.state.cookie.set("uin=o0000001; skey=@nobody"); },
         {"red", "[提示]QQ信息获取失败，登录态失效，请重新登录"},
         0},
        {"g_tk rejected: one probe only",
         [](MainWindowJobsTest& t) { t.s.state.g_tk = "1"; },
         {"red", "[提示]CF信息获取失败，G_TK计算错误，请联系管理员更新"},
         1},
        {"no flow knows the region",
         [](MainWindowJobsTest& t) { t.sb->set_bound_area("31126", 0); },
         {"red", "[提示]CF信息获取失败，请手动绑定大区"},
         7},
        {"bound region without a role: queryerr",
         [](MainWindowJobsTest& t) { t.sb->set_bound_area("45056", 326); },
         {"red", "[提示]CF信息获取失败，请手动绑定大区"},
         1},
        {"role query unanswered",
         [role_path](MainWindowJobsTest& t) {
             t.sb->misbehave(role_path, sandbox::Misbehaviour::Empty);
         },
         {"red", "[提示]CF信息获取失败，请检查网络或重新登录"},
         3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        prepare();
        s.state.area_bound = true;  // left over from an earlier session
        k.arrange(*this);

        EXPECT_FALSE(initialise_main_window(s, client, catalogue));
        ASSERT_FALSE(lines().empty());
        EXPECT_EQ(lines().back(), k.last);
        EXPECT_FALSE(logged("[提示]获取CFVip信息..."));
        EXPECT_EQ(requests_to("/ams/ame/ame.php"), k.ams_requests);
        EXPECT_EQ(caption(c::标签_头像_大区), "请绑定大区");
        EXPECT_EQ(caption(c::按钮_绑定大区), "绑定大区");
        // The CF step clears the binding before it can fail; a failed QQ step
        // leaves it as it was.
        EXPECT_EQ(s.state.area_bound.load(), k.ams_requests == 0);
    }
}

TEST_F(MainWindowJobsTest, StartUpFailuresAfterTheCfStepDoNotFailTheJob) {
    // The VIP answer is an error page and the catalogue is empty: both are
    // reported and the account is still initialised.
    sb->misbehave("/cf/a20141126main/getUserInfo.php", sandbox::Misbehaviour::ErrorStatus);
    sb->set_vendor_file("data.js", "");
    ASSERT_TRUE(initialise_main_window(s, client, catalogue));
    const auto got = lines();
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[got.size() - 3], (Line{"red", "[提示]CFVip信息获取失败，返回代码：-2"}));
    EXPECT_EQ(got.back(), (Line{"red", "[提示]【Quillet】信息初始化失败，请重新登录或联系管理员"}));
    EXPECT_TRUE(s.state.area_bound);
    EXPECT_FALSE(s.state.catalogue_ready);

    sb->misbehave("/cf/a20141126main/getUserInfo.php", sandbox::Misbehaviour::Empty);
    ASSERT_TRUE(initialise_main_window(s, client, catalogue));
    EXPECT_TRUE(logged("[提示]CFVip信息获取失败，请检查网络或重新登录"));
}

TEST_F(MainWindowJobsTest, BindingAnotherAreaSendsTheBindingAndUpdatesTheWindow) {
    sb->set_vip(3, 1280, 2000, "2017-05-20", 5);
    ASSERT_TRUE(initialise_main_window(s, client, catalogue));
    unlock_controls(s, s.state.area_bound);
    const size_t before = view.log().size();
    sb->clear_requests();

    lock_controls(s);
    view.set_visible(c::列表框_大区, true);
    pick_area(318);
    view.set_recording(true);
    view.clear_events();
    bind_selected_area(s, client, catalogue);
    view.set_recording(false);

    // The green line comes before the header shows the new area.
    std::vector<std::string> order;
    for (const ViewEvent& e : view.events()) {
        if (e.op == "log" && utf8(e.value).starts_with("[提示]CF："))
            order.push_back("log");
        else if (e.op == "caption" && e.value == gbk("广东电信一区"))
            order.push_back("area caption");
        else if (e.op == "caption" && e.target == "按钮_绑定大区")
            order.push_back("button caption");
    }
    EXPECT_EQ(order, (std::vector<std::string>{"log", "area caption", "button caption"}));

    const std::string role = "霜之哀伤丶";
    const std::vector<Line> all = lines();
    const std::vector<Line> tail(all.begin() + static_cast<long>(before), all.end());
    const std::vector<Line> expected = {
        {"navy", "[提示]获取CF账号信息..."},
        {"green", "[提示]CF：【广东电信一区】 - 【" + role + "】"},
        {"navy", "[提示]获取CFVip信息..."},
        {"green", "[提示]【绿盟：5级】【CFVip：3级(1280/2000)，到期：2017-05-20】"},
        {"navy", "[提示]【Quillet】初始化信息..."},
        {"green", "[提示]【Quillet】信息初始化成功"},
    };
    EXPECT_EQ(tail, expected);
    EXPECT_FALSE(view.state(c::列表框_大区).visible);
    EXPECT_EQ(caption(c::标签_头像_大区), "广东电信一区");
    EXPECT_EQ(caption(c::标签_头像_昵称), role);
    EXPECT_EQ(caption(c::按钮_绑定大区), "更换大区");
    EXPECT_EQ(view.state(c::列表框_大区).selected, 2);
    EXPECT_EQ(view.state(c::组合框_大区列表).selected, 2);
    EXPECT_EQ(s.state.area_id, 318);
    EXPECT_TRUE(s.state.area_bound);
    EXPECT_TRUE(view.state(c::按钮_一键领取).enabled);

    // The binding: both role fields carry the QQ number, the area name is empty.
    std::vector<std::string> bodies;
    for (const auto& r : sb->requests()) {
        if (r.path == "/ams/ame/ame.php") bodies.push_back(r.body);
    }
    ASSERT_EQ(bodies.size(), 1u);
    const std::string qq = sb->account_qq();
    EXPECT_EQ(bodies[0], "sign_version=1.0&user_area=318&user_roleId=" + qq + "&user_roleName=" +
                             qq + "&user_areaName=&user_checkparam=" + s.state.checkparam +
                             "&user_md5str=" + s.state.md5str +
                             "&user_sex=&iActivityId=45056&iFlowId=242405&g_tk=" + s.state.g_tk +
                             "&sServiceDepartment=group_f&sServiceType=cf");
    EXPECT_TRUE(starts_with(s.state.checkparam, "cf|yes|" + qq + "|318|"));
    EXPECT_EQ(sb->bound_area("45056"), 318);
}

TEST_F(MainWindowJobsTest, FailedBindingLeavesTheAreaUnbound) {
    struct Case {
        const char* name;
        std::function<void(MainWindowJobsTest&)> arrange;
        int32_t area;
        std::string message;
    };
    const Case cases[] = {
        {"role query unanswered",
         [](MainWindowJobsTest& t) {
             t.sb->misbehave("/comm-cgi-bin/content_admin/activity_center/query_role.cgi",
                             sandbox::Misbehaviour::Empty);
         },
         320, "[提示]CF信息获取失败，请检查网络"},
        {"no role in that area", [](MainWindowJobsTest&) {}, 326,
         "[提示]CF信息获取失败，请重新绑定大区"},
        {"service error with its message",
         [](MainWindowJobsTest& t) { t.s.state.cookie.set("uin=o0000001; skey=@nobody"); }, 320,
         "[提示]CF信息获取失败，请先登录"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        prepare();
        ASSERT_TRUE(initialise_main_window(s, client, catalogue));
        sb->clear_requests();
        k.arrange(*this);

        lock_controls(s);
        pick_area(k.area);
        bind_selected_area(s, client, catalogue);
        EXPECT_EQ(lines().back(), (Line{"red", k.message}));
        EXPECT_FALSE(s.state.area_bound);
        EXPECT_EQ(caption(c::标签_头像_大区), "请绑定大区");
        EXPECT_EQ(caption(c::标签_头像_昵称), "未知");
        EXPECT_FALSE(view.state(c::按钮_一键领取).enabled);
        EXPECT_TRUE(view.state(c::按钮_绑定大区).enabled);
        EXPECT_EQ(requests_to("/ams/ame/ame.php"), 0u);
    }
}

}  // namespace
}  // namespace quillet
