// Locking around jobs, the account switch and the panel switching, as a user
// sees them on the main window.
#include <gtest/gtest.h>

#include "tests/session/session_fixture.h"
#include "tests/support/gbk_literal.h"

namespace quillet::testing {
namespace {

using namespace ctl;

// Every control lock_controls disables.
const Control kLocked[] = {
    main::按钮_更换账号,
    main::按钮_绑定大区,
    main::按钮_一键领取,
    main::按钮_手动活动,
    main::按钮_Quillet,
    menu::活动列表,
    main::按钮_我的资产_主武器,
    main::按钮_我的资产_副武器,
    main::按钮_我的资产_近身武器,
    main::按钮_我的资产_投掷武器,
    main::超级链接框_CDK兑换,
    main::超级链接框_支持,
    main::超级链接框_反馈,
    menu::消费记录,
    menu::战绩查询,
    menu::我的资产,
    menu::月券聚豆,
    menu::封号查询,
};
// What comes back whatever the job's flag.
const Control kAlways[] = {main::按钮_更换账号, main::按钮_绑定大区,   main::按钮_Quillet,
                           menu::活动列表,      main::超级链接框_支持, main::超级链接框_反馈};
// What comes back only with the flag.
const Control kBound[] = {main::按钮_我的资产_主武器,
                          main::按钮_我的资产_副武器,
                          main::按钮_我的资产_近身武器,
                          main::按钮_我的资产_投掷武器,
                          main::按钮_一键领取,
                          main::按钮_手动活动,
                          main::超级链接框_CDK兑换,
                          menu::消费记录,
                          menu::战绩查询,
                          menu::我的资产,
                          menu::月券聚豆,
                          menu::封号查询};

TEST(ControlLocking, LockDisablesTheActionControlsButNeverTheRegionScan) {
    SessionFixture f;
    unlock_controls(f.s, true);
    lock_controls(f.s);
    for (Control c : kLocked) {
        SCOPED_TRACE(std::string(c.name));
        EXPECT_FALSE(f.view.is_enabled(c));
    }
    EXPECT_TRUE(f.view.is_enabled(menu::扫描全区));
    EXPECT_TRUE(f.view.events_for(menu::扫描全区).empty());
    for (Control c : {main::超级链接框_CDK兑换, main::超级链接框_支持, main::超级链接框_反馈})
        EXPECT_EQ(f.view.colour_of(c), (Rgb{143, 143, 143})) << c.name;
    // The links turn grey after every control is disabled.
    const auto events = f.view.events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.back().op, "colour");
    EXPECT_EQ(events[events.size() - 3].op, "colour");
}

TEST(ControlLocking, UnlockReturnsTheBoundFeaturesOnlyWithTheFlag) {
    for (bool bound : {true, false}) {
        SCOPED_TRACE(bound ? "bound" : "not bound");
        SessionFixture f;
        lock_controls(f.s);
        unlock_controls(f.s, bound);
        for (Control c : kAlways) EXPECT_TRUE(f.view.is_enabled(c)) << c.name;
        for (Control c : kBound) EXPECT_EQ(f.view.is_enabled(c), bound) << c.name;
        EXPECT_EQ(f.view.colour_of(main::超级链接框_支持), colour::black);
        EXPECT_EQ(f.view.colour_of(main::超级链接框_反馈), colour::black);
        EXPECT_EQ(f.view.colour_of(main::超级链接框_CDK兑换),
                  bound ? colour::black : (Rgb{143, 143, 143}));
        EXPECT_TRUE(f.view.is_enabled(menu::扫描全区));
        EXPECT_TRUE(f.view.events_for(menu::扫描全区).empty());
        // The account switch comes back last: the windows' watchers take it
        // as the job's end.
        EXPECT_EQ(f.view.events().back(),
                  (ViewEvent{"enabled", std::string(main::按钮_更换账号.name), "true", {}}));
    }
}

TEST(SwitchAccount, ForgetsTheAccountButKeepsTheBindingProofs) {
    SessionFixture f;
    SessionState& st = f.s.state;
    f.view.show_window(Window::Main, false);
    st.logged_in = true;
    st.cookie.set("uin=o123; skey=@abc");
    st.skey = "@abc";
    st.g_tk = "12345";
    st.pt_cookie.set("uin=o123; ");
    st.qq = "123";
    st.nickname = gbk("小明");
    st.area_id = 320;
    st.area_name = gbk("上海电信一区");
    st.role_name = gbk("角色");
    st.checkparam = "cp";
    st.md5str = "md5";
    st.area_bound = true;
    st.catalogue_ready = true;

    switch_account(f.s);

    EXPECT_FALSE(st.logged_in);
    EXPECT_EQ(st.cookie.get(), "");
    EXPECT_EQ(st.qq, "");
    EXPECT_EQ(st.nickname, "");
    EXPECT_EQ(st.role_name, "");
    EXPECT_EQ(st.area_id, 0);
    EXPECT_TRUE(st.relogin_requested);
    EXPECT_FALSE(f.view.is_loaded(Window::Main));
    // Kept until the next login overwrites them.
    EXPECT_EQ(st.skey, "@abc");
    EXPECT_EQ(st.g_tk, "12345");
    EXPECT_EQ(st.pt_cookie.get(), "uin=o123; ");
    EXPECT_EQ(st.area_name, gbk("上海电信一区"));
    EXPECT_EQ(st.checkparam, "cp");
    EXPECT_EQ(st.md5str, "md5");
    EXPECT_TRUE(st.area_bound);
    EXPECT_TRUE(st.catalogue_ready);
}

TEST(Panels, OnlyOnePanelShowsAndReturnBringsBackTheHeader) {
    SessionFixture f;
    show_panel(f.s, main::外形框_配置);
    show_panel(f.s, main::外形框_支持);
    for (Control c : panel_set()) EXPECT_EQ(f.view.is_visible(c), c == main::外形框_支持) << c.name;
    EXPECT_EQ(f.view.state(main::外形框_支持).geometry, (Geometry{16, 16, 600, 410}));
    EXPECT_TRUE(f.view.is_visible(main::外形框_日志));

    return_to_log(f.s, main::外形框_支持);
    for (Control c : panel_set()) EXPECT_EQ(f.view.is_visible(c), c == main::外形框_头像) << c.name;
    EXPECT_TRUE(f.view.is_visible(main::外形框_日志));
}

TEST(Panels, HidesEverythingBeforeShowingAndPaintsInBetween) {
    SessionFixture f;
    const int pumps = f.view.pump_count();
    show_panel(f.s, main::外形框_CDK兑换);
    EXPECT_GT(f.view.pump_count(), pumps);
    const auto events = f.view.events();
    // Ten hides (nine panels and the header), then the panel shown, moved
    // and raised above the log.
    const size_t hides = 10;
    ASSERT_EQ(events.size(), hides + 3);
    for (size_t i = 0; i < hides; ++i) EXPECT_EQ(events[i].value, "false");
    EXPECT_EQ(events[hides].op, "visible");
    EXPECT_EQ(events[hides].target, main::外形框_CDK兑换.name);
    EXPECT_EQ(events[hides].value, "true");
    EXPECT_EQ(events[hides + 1].op, "geometry");
    EXPECT_EQ(events[hides + 2].op, "raise");
}

TEST(OpenAddress, OnlyWebAddressesAreOpened) {
    SessionFixture f;
    for (const char* refused : {"", "file:///etc/passwd", "javascript:alert(1)",
                                "C:\\Windows\\notepad.exe", "ms-settings:", "httpx://a"})
        open_address(f.s, refused);
    EXPECT_TRUE(f.view.events_of("open").empty());
    open_address(f.s, "HTTPS://example.com/b");
    ASSERT_EQ(f.view.events_of("open").size(), 1u);
    f.view.clear_events();
    open_address(f.s, "http://example.com/a");
    ASSERT_EQ(f.view.events_of("open").size(), 1u);
    EXPECT_EQ(f.view.events_of("open")[0].value, "http://example.com/a");
}

}  // namespace
}  // namespace quillet::testing
