#include "vendor_services/scroll_config.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "tests/support/short_script_budget.h"
#include "tests/vendor_services/vendor_fixture.h"

namespace quillet::testing {
namespace {

namespace m = ctl::main;

const Control kLinks[10] = {m::链接框_广告1, m::链接框_广告2, m::链接框_广告3, m::链接框_广告4,
                            m::链接框_广告5, m::链接框_广告6, m::链接框_广告7, m::链接框_广告8,
                            m::链接框_广告9, m::链接框_广告10};

std::string notice_entry(const std::string& link, const std::string& maximum,
                         const std::string& key) {
    return "{t:'系统公告',n:'新活动上线',u:'" + link + "',l:'4',i:'" + maximum + "',id:'" + key +
           "'}";
}

class ScrollConfigTest : public VendorFixture {
  protected:
    void SetUp() override {
        VendorFixture::SetUp();
        view.show_window(Window::Main, false);
    }
    // One start of the main window with this scroll file; whether the notice
    // was shown.
    bool start_with(const std::string& file) {
        sb->set_vendor_file("scroll.js", file);
        view.close_window(Window::Notice);
        const size_t before = shown_notices();
        config.read(s);
        return shown_notices() > before;
    }
    size_t shown_notices() const {
        size_t n = 0;
        for (Window w : view.shown_windows()) n += w == Window::Notice;
        return n;
    }
    std::string config_file_text() const {
        std::ifstream in(dir() / "quillet.cfg", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    ScrollConfig config;
};

TEST_F(ScrollConfigTest, LabelLinksAndPictureFollowTheFile) {
    const std::string picture = "http://" + s.hosts[Host::VENDOR] + "/cf/res/img/ad1.png";
    EXPECT_FALSE(
        start_with("[{t:'滚动广告',u:'http://ad.example/label',c:'255',l:'1'},"
                   "{t:'第二条',u:'',c:'0',l:'1'},"
                   "{t:'链接一',u:'http://ad.example/1',c:'16711680',l:'2'},"
                   "{t:'链接二',u:'http://ad.example/2',c:'32768',l:'2'},"
                   "{t:'链接三',u:'',c:'abc',l:'2'},"
                   "{t:'" +
                   picture +
                   "',u:'http://ad.example/pic',l:'3'},"
                   "{t:'其他',u:'http://x',l:'7'}]"));

    const ControlState label = view.state(m::标签_滚动广告);
    EXPECT_EQ(utf8(label.caption), "滚动广告");
    EXPECT_EQ(label.colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(label.tag, "http://ad.example/label");
    EXPECT_EQ(label.pointer, Pointer::Hand);

    struct Want {
        std::string caption, target;
        Rgb colour;
    };
    const Want want[3] = {{"链接一", "http://ad.example/1", {0, 0, 255}},
                          {"链接二", "http://ad.example/2", {0, 128, 0}},
                          {"链接三", "", {0, 0, 0}}};
    for (int n = 0; n < 10; ++n) {
        SCOPED_TRACE(n + 1);
        const ControlState link = view.state(kLinks[n]);
        if (n < 3) {
            EXPECT_EQ(utf8(link.caption), want[n].caption);
            EXPECT_EQ(link.link_target, want[n].target);
            EXPECT_EQ(link.colour, want[n].colour);
        } else {
            EXPECT_EQ(utf8(link.caption), "我要租此广告位");
            EXPECT_EQ(link.link_target, "");
        }
    }
    EXPECT_EQ(config.label_entries().size(), 2u);
    EXPECT_EQ(config.link_entries().size(), 3u);

    const ControlState ad = view.state(m::图片框_广告);
    EXPECT_EQ(ad.picture.substr(0, 4), "\x89PNG");
    EXPECT_EQ(ad.tag, "http://ad.example/pic");
    EXPECT_EQ(ad.pointer, Pointer::Hand);
    EXPECT_EQ(requests_for("/cf/res/img/ad1.png"), 1);
}

TEST_F(ScrollConfigTest, ExtraLinkEntriesAndUnusablePicturesChangeNothingElse) {
    std::string file = "[";
    for (int n = 1; n <= 12; ++n)
        file += "{t:'广告" + std::to_string(n) + "',u:'http://ad.example/" + std::to_string(n) +
                "',c:'0',l:'2'},";
    // A picture answer that is no picture, and an address that is no web address.
    file += "{t:'http://" + s.hosts[Host::VENDOR] + "/cf/res/ver.js',u:'http://p',l:'3'}]";
    start_with(file);
    EXPECT_EQ(utf8(view.state(m::链接框_广告10).caption), "广告10");
    EXPECT_EQ(view.state(m::图片框_广告).picture, "");
    EXPECT_EQ(view.state(m::图片框_广告).tag, "");

    start_with("[{t:'file:///etc/passwd',u:'http://p',l:'3'}]");
    EXPECT_EQ(view.state(m::图片框_广告).picture, "");
    // No kind-1 entry: the label keeps what it showed.
    EXPECT_EQ(view.state(m::标签_滚动广告).caption, "");
}

TEST_F(ScrollConfigTest, AnUnreadableFileChangesNothing) {
    using M = sandbox::Misbehaviour;
    for (M how : {M::Empty, M::Garbage, M::ErrorStatus, M::Stall}) {
        SCOPED_TRACE(static_cast<int>(how));
        sb->misbehave("/cf/res/scroll.js", how);
        view.set_recording(true);
        view.clear_events();
        config.read(s);
        for (const auto& e : view.events()) ADD_FAILURE() << e.op << " " << e.target;
        EXPECT_EQ(utf8(view.state(m::链接框_广告1).caption), "我要租此广告位");
    }
    sb->clear_misbehaviour();
}

TEST_F(ScrollConfigTest, HostileFilesEndWithinOneBudgetAndChangeNothing) {
    const ShortScriptBudget budget;
    const std::string entry = never_returning({"t", "u", "c", "l", "n", "i", "id"});
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"a length the file cannot hold", R"({"length":1e12})"},
        {"a built list beyond any file", "Array(5000).fill({t:'x',l:'2'})"},
        {"members that never return", "[" + entry + "," + entry + "," + entry + "]"},
        {"a good entry, then one that never returns",
         "[{t:'链接一',u:'http://ad.example/1',c:'0',l:'2'}," + entry + "]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sb->set_vendor_file("scroll.js", c.text);
        view.set_recording(true);
        view.clear_events();
        const auto started = std::chrono::steady_clock::now();
        config.read(s);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
        for (const auto& e : view.events()) ADD_FAILURE() << e.op << " " << e.target;
        EXPECT_TRUE(config.link_entries().empty());
        EXPECT_EQ(utf8(view.state(m::链接框_广告1).caption), "我要租此广告位");
    }
}

TEST_F(ScrollConfigTest, ANoticeIsShownAtMostItsMaximumNumberOfStarts) {
    const std::string file = "[" + notice_entry("http://notice.example/1", "2", "notice_k") + "]";
    EXPECT_TRUE(start_with(file));
    EXPECT_TRUE(start_with(file));
    EXPECT_FALSE(start_with(file));
    EXPECT_EQ(s.config.read("notice", "notice_k"), "3");

    // Shown through the UI event of 标签_头像_昵称, and filled when created.
    EXPECT_EQ(config.notice(), (Notice{gbk("系统公告"), gbk("新活动上线"),
                                       "http://notice.example/1", 2, "notice_k"}));
    config.notice_created(s);
    EXPECT_EQ(utf8(view.state(ctl::notice::标签_标题).caption), "系统公告");
    EXPECT_EQ(utf8(view.state(ctl::notice::标签_内容).caption), "新活动上线");
    EXPECT_EQ(view.state(ctl::notice::标签_内容).pointer, Pointer::Hand);

    // Maximum 0: every start, nothing counted.
    const std::string always = "[" + notice_entry("http://notice.example/2", "0", "always") + "]";
    EXPECT_TRUE(start_with(always));
    EXPECT_TRUE(start_with(always));
    EXPECT_EQ(s.config.read("notice", "always", "absent"), "absent");
}

TEST_F(ScrollConfigTest, NoticeCountersNeverTouchThePlayersSettings) {
    // The claim priorities live in [config]; notices named like them count
    // apart and leave them alone.
    ASSERT_TRUE(s.config.write("config", "model", "1"));
    ASSERT_TRUE(s.config.write("config", "prop", "2"));
    for (const char* key : {"model", "prop"}) {
        SCOPED_TRACE(key);
        const std::string file = "[" + notice_entry("http://n.example", "1", key) + "]";
        EXPECT_TRUE(start_with(file));  // the stored setting is no count of showings
        EXPECT_FALSE(start_with(file));
    }
    EXPECT_EQ(s.config.read("config", "model"), "1");
    EXPECT_EQ(s.config.read("config", "prop"), "2");
    EXPECT_EQ(s.config.read("notice", "prop"), "2");

    // A count kept in [config] by an earlier version is not lost.
    ASSERT_TRUE(s.config.write("config", "old_notice", "2"));
    const std::string old = "[" + notice_entry("http://n.example", "3", "old_notice") + "]";
    EXPECT_TRUE(start_with(old));
    EXPECT_FALSE(start_with(old));
    EXPECT_EQ(s.config.read("notice", "old_notice"), "4");
    EXPECT_EQ(s.config.read("config", "old_notice"), "2");
}

TEST_F(ScrollConfigTest, NoticesThatCannotBeShownOrCountedAreNotShown) {
    struct Case {
        const char* name;
        std::string entry;
    };
    const Case cases[] = {
        {"no link", notice_entry("", "0", "k1")},
        {"no title", "{t:'',n:'x',u:'http://notice.example',l:'4',i:'0',id:'k2'}"},
        // A key that would write lines of its own into the configuration file.
        {"key with line breaks",
         notice_entry("http://n.example", "5", "k\\r\\n[hosts]\\r\\nVENDOR_HOST=evil.example")},
        {"key with =", notice_entry("http://n.example", "5", "a=b")},
        {"empty key", notice_entry("http://n.example", "5", "")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(start_with("[" + c.entry + "]"));
        EXPECT_FALSE(start_with("[" + c.entry + "]"));
    }
    EXPECT_EQ(config_file_text(), "");
}

TEST_F(ScrollConfigTest, NoticeClickOpensTheLinkAndClosesTheWindow) {
    ASSERT_TRUE(start_with("[" + notice_entry("http://notice.example/more", "0", "k") + "]"));
    view.show_window(Window::Notice, false);
    view.set_recording(true);
    config.notice_clicked(s);
    EXPECT_EQ(view.state(ctl::notice::超级链接框_查看详情).link_target,
              "http://notice.example/more");
    bool opened = false;
    for (const auto& e : view.events())
        opened |= e.op == "open" && e.value == "http://notice.example/more";
    EXPECT_TRUE(opened);
    EXPECT_FALSE(view.is_loaded(Window::Notice));
}

TEST(NoticePlacementTest, BottomRightAboveTheTaskbar) {
    EXPECT_EQ(notice_window_place({1920, 1080, 1040}, 300, 190), (WindowPlace{1620, 850}));
    EXPECT_EQ(notice_window_place({1366, 768, 768}, 300, 190), (WindowPlace{1066, 578}));
}

TEST(VisitorCounterTest, AddressIsOnTheVendorHost) {
    SessionBed bed;
    EXPECT_EQ(visitor_counter_address(bed.s),
              "http://" + bed.s.hosts[Host::VENDOR] + "/cf/tongji.php");
}

}  // namespace
}  // namespace quillet::testing
