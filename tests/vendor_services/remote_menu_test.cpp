#include "vendor_services/remote_menu.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/short_script_budget.h"
#include "tests/vendor_services/recording_browser.h"
#include "tests/vendor_services/vendor_fixture.h"
#include "vendor_services/activity_browser.h"
#include "vendor_services/page_scripts.h"

namespace quillet::testing {
namespace {

using ctl::menu::manual_slot;

// Five groups: 3 pages (the group's remove and scroll fill the gaps), 12
// pages (the last two have no slot), two empty groups and a fifth group that
// has no sub-menu.
std::string menu_file() {
    std::string lucky;
    for (int p = 1; p <= 12; ++p)
        lucky += std::string(p > 1 ? "," : "") + "{title:'幸运页" + std::to_string(p) +
                 "',remove:'',scroll:'',url:'http://act.example/lucky" + std::to_string(p) + "'}";
    return "[{title:'兑换活动',remove:'.g-remove',scroll:'#g-scroll',child:["
           "{title:'兑换页1',remove:'',scroll:'',url:'http://act.example/1'},"
           "{title:'兑换页2',remove:'.own',url:'http://act.example/2'},"
           "{title:'兑换页3',remove:'',scroll:'',url:''}]},"
           "{title:'幸运活动',remove:'',scroll:'',child:[" +
           lucky +
           "]},"
           "{title:'超值低价',child:[]},"
           "{title:'人品活动'},"
           "{title:'第五组',child:[{title:'多余',url:'http://act.example/x'}]}]";
}

class RemoteMenuTest : public VendorFixture {
  protected:
    void SetUp() override {
        VendorFixture::SetUp();
        view.show_window(Window::Main, false);
    }
    RemoteMenu menu;
};

TEST_F(RemoteMenuTest, GroupsFillTheirSlotsUpToTenPagesAndFourGroups) {
    sb->set_vendor_file("menu.js", menu_file());
    view.set_recording(true);
    menu.read(s);

    EXPECT_TRUE(menu.loaded());
    const std::string titles[2][10] = {{"兑换页1", "兑换页2", "兑换页3"},
                                       {"幸运页1", "幸运页2", "幸运页3", "幸运页4", "幸运页5",
                                        "幸运页6", "幸运页7", "幸运页8", "幸运页9", "幸运页10"}};
    for (int g = 1; g <= 4; ++g)
        for (int p = 1; p <= 10; ++p) {
            SCOPED_TRACE(std::to_string(g) + "/" + std::to_string(p));
            const ControlState slot = view.state(manual_slot(g, p));
            const std::string want = g <= 2 ? titles[g - 1][p - 1] : "";
            EXPECT_EQ(slot.visible, !want.empty());
            if (!want.empty()) {
                EXPECT_EQ(utf8(slot.caption), want);
            }
        }
    EXPECT_EQ(menu.pages().size(), 13u);
    EXPECT_EQ(menu.find(gbk("幸运页11")), MenuPage{});
    EXPECT_EQ(menu.find(gbk("多余")), MenuPage{});
    EXPECT_EQ(menu.find(gbk("兑换页1")),
              (MenuPage{gbk("兑换页1"), ".g-remove", "#g-scroll", "http://act.example/1"}));
    EXPECT_EQ(menu.find(gbk("兑换页2")),
              (MenuPage{gbk("兑换页2"), ".own", "#g-scroll", "http://act.example/2"}));

    // Filled on the user-interface thread through 标签_VIP等级; no cookie sent.
    bool handed_over = false;
    for (const auto& e : view.events())
        handed_over |= e.op == "ui_event" && e.target == "标签_VIP等级";
    EXPECT_TRUE(handed_over);
    const auto requests = sb->requests();
    ASSERT_EQ(requests_for("/cf/res/menu.js"), 1);
    EXPECT_EQ(requests.back().target.rfind("/cf/res/menu.js?t=0.", 0), 0u);
    EXPECT_EQ(requests.back().header("Cookie"), "");
}

TEST_F(RemoteMenuTest, AFailedReadingIsRetriedOnDemandUntilOneSucceeds) {
    using M = sandbox::Misbehaviour;
    for (M how : {M::Empty, M::Garbage, M::ErrorStatus}) {
        SCOPED_TRACE(static_cast<int>(how));
        sb->misbehave("/cf/res/menu.js", how);
        EXPECT_FALSE(menu.ensure_loaded(s));
        EXPECT_FALSE(menu.loaded());
        EXPECT_FALSE(view.state(manual_slot(1, 1)).visible);
    }
    sb->clear_misbehaviour();
    sb->set_vendor_file("menu.js", menu_file());
    const int before = requests_for("/cf/res/menu.js");
    EXPECT_TRUE(menu.ensure_loaded(s));
    EXPECT_TRUE(menu.ensure_loaded(s));  // loaded: no second download
    EXPECT_EQ(requests_for("/cf/res/menu.js"), before + 1);
    EXPECT_TRUE(view.state(manual_slot(1, 1)).visible);

    // A later reading that fails says so again.
    sb->misbehave("/cf/res/menu.js", M::Empty);
    menu.read(s);
    EXPECT_FALSE(menu.loaded());
    EXPECT_TRUE(menu.pages().empty());
}

TEST_F(RemoteMenuTest, HostileFilesEndWithinOneBudgetAndLeaveNoPages) {
    const ShortScriptBudget budget;
    const std::string page = never_returning({"title", "remove", "scroll", "url"});
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"a length the file cannot hold", R"({"length":1e12})"},
        {"a page list claiming a huge length", R"([{"title":"g","child":{"length":1e12}}])"},
        {"groups that never return",
         "[" + never_returning({"title", "remove", "scroll", "child"}) + "]"},
        {"pages that never return", "[{title:'g',child:[" + page + "," + page + "," + page + "]}]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(menu.fill(s, gbk(c.text)));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
        EXPECT_FALSE(menu.loaded());
        EXPECT_TRUE(menu.pages().empty());
    }
}

class ActivityBrowserTest : public RemoteMenuTest {
  protected:
    void SetUp() override {
        RemoteMenuTest::SetUp();
        ASSERT_TRUE(menu.fill(s, gbk(menu_file())));
        s.state.cookie.set("uin=o0123456; skey=@AbCdEf; p_skey=xyz=");
    }
    // Clicks slot (g, p); a window the click loads is created as Qt would.
    void click(RecordingBrowser& port, int g, int p) {
        ActivityBrowser b(s, menu, port);
        const bool was_open = view.is_loaded(Window::ActivityBrowser);
        b.open_manual_page(manual_slot(g, p));
        if (!was_open && view.is_loaded(Window::ActivityBrowser)) b.window_created();
    }
};

TEST_F(ActivityBrowserTest, OneTabPerPageTitleEachWithItsOwnBrowser) {
    RecordingBrowser port;
    click(port, 1, 1);
    click(port, 1, 1);  // the same page again: no new tab, no reload
    ASSERT_EQ(port.titles, std::vector<std::string>{gbk("兑换页1")});
    ASSERT_EQ(port.browsers.size(), 1u);
    EXPECT_EQ(port.browsers[0].url, "http://act.example/1");

    click(port, 2, 1);
    ASSERT_EQ(port.titles, (std::vector<std::string>{gbk("兑换页1"), gbk("幸运页1")}));
    ASSERT_EQ(port.browsers.size(), 2u);
    EXPECT_EQ(port.browsers[1].url, "http://act.example/lucky1");
    EXPECT_EQ(port.current, 1);
    EXPECT_EQ(port.visible_browsers(), std::vector<int>{1});
    // Sized to the strip (504 x 288) at the template's place.
    EXPECT_EQ(port.browsers[1].left, 1);
    EXPECT_EQ(port.browsers[1].top, 24);
    EXPECT_EQ(port.browsers[1].width, 502);
    EXPECT_EQ(port.browsers[1].height, 262);
    // Only a page with something to clean up carries its title as the tag.
    EXPECT_EQ(port.browsers[0].tag, gbk("兑换页1"));
    EXPECT_EQ(port.browsers[1].tag, "");

    click(port, 1, 1);  // back to the first page's tab
    EXPECT_EQ(port.current, 0);
    EXPECT_EQ(port.visible_browsers(), std::vector<int>{0});
    EXPECT_EQ(port.browsers.size(), 2u);

    ActivityBrowser b(s, menu, port);
    port.current = 1;  // the user picks the second tab
    b.tab_changed();
    EXPECT_EQ(port.visible_browsers(), std::vector<int>{1});

    b.size_changed(600, 400);
    EXPECT_EQ(port.strip, (Size{584, 362}));
    for (const auto& browser : port.browsers) {
        EXPECT_EQ(browser.width, 582);
        EXPECT_EQ(browser.height, 336);
    }

    // The pages open signed in: the session cookie is in the platform store
    // for the login host.
    const std::string stored = store.read("http://" + s.hosts[Host::PTLOGIN], true);
    EXPECT_NE(stored.find("skey=@AbCdEf"), std::string::npos);
    EXPECT_NE(stored.find("p_skey=xyz="), std::string::npos);
    // The controls came back after every click.
    EXPECT_TRUE(view.state(ctl::main::按钮_一键领取).enabled);
}

TEST_F(ActivityBrowserTest, AStripThatStartsWithOneEmptyTabGivesItToTheFirstPage) {
    RecordingBrowser port(true);
    click(port, 1, 2);
    click(port, 2, 3);
    EXPECT_EQ(port.titles, (std::vector<std::string>{gbk("兑换页2"), gbk("幸运页3")}));
    ASSERT_EQ(port.browsers.size(), 2u);
    EXPECT_EQ(port.browsers[0].url, "http://act.example/2");
    EXPECT_EQ(port.current, 1);
}

TEST_F(ActivityBrowserTest, APageWithoutAddressOpensNothingButUnlocks) {
    RecordingBrowser port;
    click(port, 1, 3);
    EXPECT_FALSE(view.is_loaded(Window::ActivityBrowser));
    EXPECT_TRUE(port.titles.empty());
    EXPECT_TRUE(port.browsers.empty());
    EXPECT_EQ(menu.current_page(), MenuPage{});
    EXPECT_TRUE(view.state(ctl::main::按钮_一键领取).enabled);
}

TEST_F(ActivityBrowserTest, CleanUpRunsThePagesScriptsAfterEveryLoad) {
    RecordingBrowser port;
    click(port, 1, 1);  // remove ".g-remove", scroll "#g-scroll"
    click(port, 2, 1);  // nothing to clean up
    ActivityBrowser b(s, menu, port);
    b.clean_up_page(0);
    b.clean_up_page(0);  // a later navigation inside the page
    b.clean_up_page(1);
    const std::vector<std::string> expected = {*remove_script(".g-remove"),
                                               *scroll_script("#g-scroll")};
    EXPECT_EQ(port.browsers[0].scripts[0], "$('.g-remove').remove();");
    EXPECT_EQ(port.browsers[0].scripts,
              (std::vector<std::string>{expected[0], expected[1], expected[0], expected[1]}));
    EXPECT_TRUE(port.browsers[1].scripts.empty());

    port.browsers[0].has_document = false;
    b.clean_up_page(0);
    EXPECT_EQ(port.browsers[0].scripts.size(), 4u);
    b.clean_up_page(7);  // no such browser
}

TEST_F(ActivityBrowserTest, AHostileSelectorFromTheMenuFileStaysInsideItsLiteral) {
    ASSERT_TRUE(menu.fill(s, gbk("[{child:[{title:'坏页',url:'http://act.example/bad',"
                                 "remove:\"x');alert(1);('\","
                                 "scroll:'<img src=x onerror=alert(1)>'}]}]")));
    RecordingBrowser port;
    click(port, 1, 1);
    ActivityBrowser(s, menu, port).clean_up_page(0);
    // The removal runs with the selector as one escaped string; the markup
    // "selector" is not handed to $() at all.
    EXPECT_EQ(port.browsers[0].scripts,
              std::vector<std::string>{"$('x\\');alert(1);(\\'').remove();"});
}

}  // namespace
}  // namespace quillet::testing
