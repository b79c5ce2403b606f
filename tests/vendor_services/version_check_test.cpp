#include "vendor_services/version_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/short_script_budget.h"
#include "tests/vendor_services/vendor_fixture.h"

namespace quillet::testing {
namespace {

namespace v = ctl::version;

constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kRed{255, 0, 0};
const Control kButtons[3] = {v::按钮_下载1, v::按钮_下载2, v::按钮_下载3};

class VersionCheckTest : public VendorFixture {
  protected:
    void SetUp() override {
        VendorFixture::SetUp();
        view.show_window(Window::Version, false);
    }
    // Runs the check as the window's creation does and waits for its worker.
    void run_check() {
        check.window_created();
        s.jobs.join_all();
    }
    void serve(const std::string& utf8_text) { sb->set_vendor_file("ver.js", utf8_text); }

    VersionCheck check{s};
};

TEST_F(VersionCheckTest, RunningVersionIsAcceptedAfterTheWaitAndTheWindowCloses) {
    serve("var _cfver = {v:\"1.1.0.19\",d:\"x\",d1u:\"http://a/1\"};\r\nvar other = 1;");
    const int64_t before = clock.steady_ms();
    run_check();

    EXPECT_EQ(view.window_title(Window::Version), gbk("Quillet - 版本检测v1.1.0.19"));
    EXPECT_EQ(utf8(view.state(v::标签_提示).caption), "已经是最新版本，当前版本 v1.1.0.19");
    EXPECT_EQ(check.outcome(), VersionOutcome::Accepted);
    EXPECT_TRUE(s.state.version_ok);
    EXPECT_FALSE(view.is_loaded(Window::Version));
    // Half a second before the request and half a second before closing.
    EXPECT_GE(clock.steady_ms() - before, 1000);
    ASSERT_EQ(requests_for("/cf/res/ver.js"), 1);
    const auto requests = sb->requests();
    EXPECT_EQ(requests.back().target.rfind("/cf/res/ver.js?t=0.", 0), 0u);
    EXPECT_EQ(requests.back().header("Cookie"), "");
}

TEST_F(VersionCheckTest, AnyOtherVersionOffersTheDownloadsThatHaveAddresses) {
    struct Case {
        const char* name;
        std::string file;
        std::string caption;
        bool enabled[3];
        std::string captions[3];
        std::string tags[3];
    };
    const Case cases[] = {
        {"newer, three addresses with titles",
         "_cfver = {v:'1.2.0.1',d:'修复领取',d1u:'http://dl/1',d1p:'ab12',d1t:'网盘下载',"
         "d2u:'http://dl/2',d2t:'官网下载',d3u:'http://dl/3',d3p:'cd34'};",
         "发现新版本 v1.2.0.1(修复领取)",
         {true, true, true},
         {"网盘下载", "官网下载", "下载地址3"},
         {"http://dl/1", "http://dl/2", "http://dl/3"}},
        {"older, only d2u and no description",
         "_cfver = {\"v\":\"1.0.0.9\",\"d\":\"\",\"d2u\":\"http://dl/only\",\"d3t\":\"标题\"};",
         "发现新版本 v1.0.0.9",
         {false, true, false},
         {"下载地址1", "下载地址2", "标题"},
         {"", "http://dl/only", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view.show_window(Window::Version, false);
        s.state.version_ok = false;
        serve(c.file);
        run_check();

        const ControlState hint = view.state(v::标签_提示);
        EXPECT_EQ(utf8(hint.caption), c.caption);
        EXPECT_EQ(hint.colour, kGreen);
        EXPECT_TRUE(view.state(v::按钮_更新详情).visible);
        EXPECT_FALSE(view.state(v::按钮_重试).visible);
        for (int n = 0; n < 3; ++n) {
            SCOPED_TRACE(n + 1);
            const ControlState b = view.state(kButtons[n]);
            EXPECT_TRUE(b.visible);
            EXPECT_EQ(b.enabled, c.enabled[n]);
            EXPECT_EQ(utf8(b.caption), c.captions[n]);
            EXPECT_EQ(b.tag, c.tags[n]);
            EXPECT_EQ(check.download_address(n + 1), c.tags[n]);
        }
        EXPECT_EQ(check.outcome(), VersionOutcome::NewVersion);
        EXPECT_FALSE(s.state.version_ok);
        EXPECT_TRUE(view.is_loaded(Window::Version));
    }
}

TEST_F(VersionCheckTest, FailuresShowTheirMessageInRedAndOfferTheRetry) {
    struct Case {
        const char* name;
        sandbox::Misbehaviour how;
        std::string file;
        std::string message;
    };
    using M = sandbox::Misbehaviour;
    const Case cases[] = {
        {"empty answer", M::Empty, "", "网页访问失败，请重试"},
        // The error page is an answer, just not a version file.
        {"server error page", M::ErrorStatus, "", "版本获取失败，请重试"},
        {"stalled server", M::Stall, "", "网页访问失败，请重试"},
        {"no _cfver assignment", M::None, "var ver = {v:'1.1.0.19'};", "版本获取失败，请重试"},
        {"no semicolon", M::None, "_cfver = {v:'1.1.0.19'}", "版本获取失败，请重试"},
        {"literal that does not evaluate", M::None, "_cfver = {v:'1.1.0.19',;",
         "版本获取失败，请重试"},
        {"garbage bytes", M::Garbage, "", "版本获取失败，请重试"},
        {"no v", M::None, "_cfver = {d:'x',d1u:'http://dl/1'};", "版本号获取失败，请重试"},
        {"empty v", M::None, "_cfver = {v:''};", "版本号获取失败，请重试"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view.show_window(Window::Version, false);
        sb->clear_misbehaviour();
        if (c.how != M::None) sb->misbehave("/cf/res/ver.js", c.how);
        if (c.how == M::None || c.how == M::ErrorStatus) serve(c.file);
        run_check();

        const ControlState hint = view.state(v::标签_提示);
        EXPECT_EQ(utf8(hint.caption), c.message);
        EXPECT_EQ(hint.colour, kRed);
        EXPECT_TRUE(view.state(v::按钮_重试).visible);
        for (Control b : kButtons) EXPECT_FALSE(view.state(b).visible);
        EXPECT_FALSE(view.state(v::按钮_更新详情).visible);
        EXPECT_EQ(check.outcome(), VersionOutcome::Failed);
        EXPECT_FALSE(s.state.version_ok);
        EXPECT_TRUE(view.is_loaded(Window::Version));
    }
    sb->clear_misbehaviour();
}

TEST_F(VersionCheckTest, AFileOfMembersThatNeverReturnFailsWithinOneBudget) {
    const ShortScriptBudget budget;
    // No ";" inside: the literal runs up to the first one.
    const std::string cases[] = {
        "_cfver = " + never_returning({"v", "d"}) + ";",
        "_cfver = " +
            never_returning({"d1u", "d1p", "d1t", "d2u", "d2p", "d2t", "d3u", "d3t"},
                            "v:'9.9.9.9'") +
            ";",
    };
    for (const std::string& file : cases) {
        serve(file);
        view.show_window(Window::Version, false);
        const auto started = std::chrono::steady_clock::now();
        run_check();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2500));
        EXPECT_EQ(check.outcome(), VersionOutcome::Failed);
        EXPECT_EQ(utf8(check.message()), "版本获取失败，请重试");
        EXPECT_EQ(check.download_address(1), "");
    }
}

TEST_F(VersionCheckTest, RetryRunsTheCheckAgainFromTheCheckingState) {
    sb->misbehave("/cf/res/ver.js", sandbox::Misbehaviour::Empty);
    run_check();
    ASSERT_EQ(check.outcome(), VersionOutcome::Failed);

    sb->clear_misbehaviour();
    serve("_cfver = {v:'1.1.0.19'};");
    view.set_recording(true);
    check.start();  // the 按钮_重试 handler
    s.jobs.join_all();

    // The retry shows the checking state with the downloads back, hides the
    // retry button while it runs, and ends accepted.
    const auto events = view.events();
    auto index_of = [&](const std::string& op, const std::string& target,
                        const std::string& value) {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].op == op && events[i].target == target && events[i].value == value)
                return static_cast<int>(i);
        return -1;
    };
    const int checking = index_of("caption", "标签_提示", gbk("新版本检测中，请稍后..."));
    const int retry_hidden = index_of("visible", "按钮_重试", "false");
    const int accepted =
        index_of("caption", "标签_提示", gbk("已经是最新版本，当前版本 v1.1.0.19"));
    ASSERT_GE(checking, 0);
    EXPECT_GT(retry_hidden, checking);
    EXPECT_GT(accepted, retry_hidden);
    EXPECT_EQ(view.state(v::标签_提示).colour, colour::black);  // no red left over
    for (Control b : kButtons) EXPECT_TRUE(view.state(b).visible);
    EXPECT_TRUE(s.state.version_ok);
}

TEST_F(VersionCheckTest, DownloadButtonOpensItsAddressAndCopiesItsPassword) {
    serve(
        "_cfver = {v:'1.2',d1u:'http://dl/1',d1p:'p1',d2u:'http://dl/2',"
        "d3u:'http://dl/3',d3p:'提取码3'};");
    struct Case {
        int button;
        std::string address;
        std::string password;  // UTF-8, empty: no clipboard, no message box
    };
    const Case cases[] = {
        {3, "http://dl/3", "提取码3"}, {2, "http://dl/2", ""}, {1, "http://dl/1", "p1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        view.show_window(Window::Version, false);
        run_check();
        ASSERT_EQ(check.outcome(), VersionOutcome::NewVersion);
        view.set_clipboard("before");
        view.set_recording(true);
        view.clear_events();

        check.download_clicked(c.button);

        const auto events = view.events();
        bool opened = false, boxed = false;
        for (const auto& e : events) {
            if (e.op == "open") {
                EXPECT_EQ(e.value, c.address);
                opened = true;
            }
            if (e.op == "message") {
                boxed = true;
                EXPECT_EQ(e.value, gbk("密码已复制"));
                EXPECT_EQ(e.target, gbk("提示"));
            }
        }
        EXPECT_TRUE(opened);
        EXPECT_EQ(boxed, !c.password.empty());
        EXPECT_EQ(view.clipboard(), c.password.empty() ? "before" : gbk(c.password));
        EXPECT_FALSE(view.is_loaded(Window::Version));
        EXPECT_FALSE(s.state.version_ok);
        view.set_recording(false);
    }
}

TEST_F(VersionCheckTest, DetailsLinkOpensTheVendorsHomePage) {
    view.set_recording(true);
    check.details_clicked();
    const std::string home = "http://" + s.hosts[Host::VENDOR];
    EXPECT_EQ(view.state(v::按钮_更新详情).link_target, home);
    bool opened = false;
    for (const auto& e : view.events())
        if (e.op == "open") opened = e.value == home;
    EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace quillet::testing
