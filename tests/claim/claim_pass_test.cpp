#include "claim/claim_pass.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <ostream>
#include <thread>

#include "claim/claim_config.h"
#include "claim/outcome_text.h"
#include "net/cookie_jar.h"
#include "sandbox/sandbox.h"
#include "services/game_service_client.h"
#include "tests/claim/claim_test_support.h"
#include "tests/support/recording_view.h"
#include "text/gbk.h"
#include "text/time_text.h"

namespace quillet {
namespace {

using testing::gbk;
using testing::log_lines_since;
using testing::utf8;

constexpr DateTime kToday{2016, 10, 19, 10, 30, 0};

inline testing::BedOptions pass_options(std::filesystem::path scenario) {
    testing::BedOptions o;
    o.simulator = true;
    o.scenario = std::move(scenario);
    o.now = kToday;
    o.config = std::filesystem::path();
    o.recording = false;
    return o;
}

// The demo account of the simulator, signed in and bound to 上海电信一区 as
// the login and the start-up initialisation leave it.
class PassBed : public testing::SessionBed {
  public:
    explicit PassBed(std::filesystem::path scenario = sandbox::default_scenario_dir())
        : SessionBed(pass_options(std::move(scenario))) {
        prepare_claim_engine(s, cleaner);
        sign_in_demo();
        bind(320);
        mark();
    }

    // What binding an area in the region list leaves in the session.
    void bind(int32_t area) { EXPECT_TRUE(SessionBed::bind(area)); }

    // A click on 按钮_一键领取: lock, then the pass (here on the test's thread).
    void pass() {
        lock_controls(s);
        run_claim_pass(s, catalogue, cleaner, client);
    }

    MessageCleaner cleaner;
    ActivityCatalogue catalogue;
};

const std::vector<std::string> kFirstPass = {
    "navy|[提示]开始一键领取...",
    "green|[提示][1/25]【每日登录有礼】【每日签到礼包】领取成功",
    "green|[提示][2/25]【每日登录有礼】【在线30分钟礼包】恭喜您获得了礼包：M4A1-雷神(1天)",
    "green|[提示][3/25]【每日登录有礼】【周末狂欢抽奖】恭喜您抽中：经验加成卡(1天)",
    "green|[提示][3/25]【每日登录有礼】【周末狂欢抽奖】恭喜您抽中：200GP",
    "green|[提示][3/25]【每日登录有礼】【周末狂欢抽奖】恭喜您抽中：AK47-火麒麟(3天)",
    "green|[提示][4/25]【每日登录有礼】【今日限定：火麒麟体验】恭喜您获得了AK47-火麒麟体验(1天)",
    "green|[提示][5/25]【每日登录有礼】【开学季礼包】领取成功",
    "green|[提示][6/25]【心悦俱乐部】【心悦口令礼包】恭喜您获得：心悦专属喷漆(永久)",
    "green|[提示][7/25]【心悦俱乐部】【心悦特权礼包】心悦特权礼包已发放至您的游戏仓库",
    "green|[提示][8/25]【心悦俱乐部】【心悦二级礼包】心悦等级达到2级后可领取",
    "red|[提示][9/25]【战队赛报名】【报名礼包】领取失败，绑定错误，错误码：1-5003",
    "red|[提示][10/25]【新版本狂欢】【版本预热礼包】领取失败，网络错误 50001",
    "red|[提示][11/25]【新版本狂欢】【版本狂欢礼包】领取失败，解析错误 50002",
    "red|[提示][12/25]【新版本狂欢】【版本纪念礼包】领取失败，配置错误 50003",
    "green|[提示][13/25]【新版本狂欢】【每周分享礼包】领取机会不足",
    "green|[提示][14/25]【TGP专属特权】【每日启动礼包】TGP每日启动礼包：火麒麟(1天)",
    "green|[提示][15/25]【TGP专属特权】【连续登录礼包】您在今天还未通过TGP启动过CF游戏",
    "green|[提示][16/25]【TGP专属特权】【新版本礼包】新版本暂未发布",
    "red|[提示][17/25]【TGP专属特权】【老用户礼包】领取失败，解析错误 60002",
    "green|[提示][18/25]【QQ会员特权】【会员每日礼包】领取成功",
    "green|[提示][19/25]【QQ会员特权】【超级会员礼包】很抱歉，您还不是超级会员，赶紧开通吧~",
    "red|[提示][20/25]【QQ会员特权】【会员周礼包】领取失败，解析错误 80003",
    "green|[提示][21/25]【QQ空间活动】【空间每日抽奖】CF黄金礼包(雷神1天)",
    "red|[提示][22/25]【QQ空间活动】【空间签到礼包】领取失败，网络错误 90001",
    "green|[提示][23/25]【QQ空间活动】【空间新用户礼包】您不符合本活动的参与条件",
    // Positions 24 and 25 (types "3" and "9") have no protocol: no line.
    "green|[提示]一键领取结束，点击[Quillet]→[消费记录]可查近7天获得道具",
};

TEST(ClaimPass, WalksTheWholeCatalogueOneLinePerAttempt) {
    PassBed bed;
    bed.view.set_recording(true);
    bed.view.push_input_answer(gbk("XY2016"));
    bed.pass();
    EXPECT_EQ(bed.log(), kFirstPass);
    for (const auto& line : bed.view.log()) EXPECT_EQ(line.stamp, "[10:30:00]");

    EXPECT_TRUE(bed.s.state.catalogue_ready);
    // The pass ends with unlock_controls(logged_in): the claim button is back.
    EXPECT_TRUE(bed.view.enabled(ctl::main::按钮_一键领取));
    EXPECT_TRUE(bed.view.enabled(ctl::main::按钮_Quillet));

    // The one input box: the vendor's title and prompt, an empty initial text.
    std::vector<ViewEvent> inputs;
    for (const auto& e : bed.view.events())
        if (e.op == "input") inputs.push_back(e);
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(utf8(inputs[0].target), "心悦口令");
    EXPECT_EQ(utf8(inputs[0].value), "请输入心悦俱乐部本周口令");

    // The Qzone request accepts compressed answers; its prize line above shows
    // the answer was read whatever encoding came back.
    const auto qzone = bed.requests("/fcg-bin/fcg_qzact_lottery");
    ASSERT_EQ(qzone.size(), 3u);
    EXPECT_EQ(qzone[0].header("Accept-Encoding"), "gzip, deflate");
    // Requests are strictly sequential: the server date once, then the claims.
    const auto all = bed.sb->requests();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].path, "/cf/res/data.js");
    EXPECT_EQ(all[1].path, "/CommArticle/app/reg/gdate.php");
}

TEST(ClaimPass, BindingsConfirmedOnceAreNotRequestedAgain) {
    PassBed bed;
    bed.pass();
    // Seven attempts of activity 61234 (one entry three times), one binding.
    EXPECT_EQ(bed.requests("/ams/ame/ame.php", "iFlowId=421001").size(), 1u);  // query
    EXPECT_EQ(bed.requests("/ams/ame/ame.php", "iFlowId=421002").size(), 1u);  // submit
    EXPECT_EQ(bed.requests("/ams/ame/ame.php", "iFlowId=440001").size(), 1u);
    EXPECT_EQ(bed.requests("/index.php/cf/a20160816tgp/index/ajax_get_all").size(), 1u);
    EXPECT_EQ(bed.requests("/index.php/cf/a20160816tgp/index/ajax_save_zone").size(), 1u);

    bed.mark();
    bed.pass();
    EXPECT_TRUE(bed.requests("/cf/res/data.js").empty());  // the catalogue is ready
    EXPECT_TRUE(bed.requests("/ams/ame/ame.php", "iFlowId=421001").empty());
    EXPECT_TRUE(bed.requests("/ams/ame/ame.php", "iFlowId=421002").empty());
    // The refused binding was not confirmed: asked again.
    EXPECT_EQ(bed.requests("/ams/ame/ame.php", "iFlowId=440001").size(), 1u);
    EXPECT_TRUE(bed.requests("/index.php/cf/a20160816tgp/index/ajax_get_all").empty());
    EXPECT_TRUE(bed.requests("/index.php/cf/a20160816tgp/index/ajax_save_zone").empty());
    // The claims themselves are made again, and answered as second claims.
    const auto second = bed.log();
    ASSERT_EQ(second.size(), kFirstPass.size());
    EXPECT_EQ(second[1],
              "green|[提示][1/25]【每日登录有礼】【每日签到礼包】您今天已经领取过该礼包了");
    EXPECT_EQ(second[16], "green|[提示][14/25]【TGP专属特权】【每日启动礼包】您已经领取过该礼包");
}

// What the simulator's answers got the player, attempt by attempt, over a
// first pass and a second pass of the same day, as the pass tells its
// watcher: the outcome, the server's code, the gifts named.
struct Told {
    std::string item;
    OutcomeKind kind;
    std::string code;
    std::vector<std::string> gifts;  // UTF-8
    friend bool operator==(const Told&, const Told&) = default;
};

void PrintTo(const Told& t, std::ostream* os) {
    *os << t.item << " " << outcome_name(t.kind) << " " << t.code;
    for (const auto& g : t.gifts) *os << " [" << g << "]";
}

struct ToldAttempt {
    std::string protocol;
    Told told;
    std::string message;  // UTF-8
};

const std::vector<ToldAttempt>& two_passes() {
    static const std::vector<ToldAttempt> attempts = [] {
        std::vector<ToldAttempt> out;
        PassBed bed;
        bed.s.on_claim_attempt = [&](const ClaimAttempt& a) {
            std::vector<std::string> gifts;
            for (const auto& g : a.gifts) gifts.push_back(utf8(g));
            out.push_back({a.protocol, {utf8(a.item), a.kind, a.code, gifts}, utf8(a.message)});
        };
        bed.view.push_input_answer(gbk("XY2016"));
        bed.pass();
        bed.pass();
        bed.s.on_claim_attempt = nullptr;
        return out;
    }();
    return attempts;
}

std::vector<Told> told_by(const std::string& protocol) {
    std::vector<Told> out;
    for (const auto& a : two_passes())
        if (a.protocol == protocol) out.push_back(a.told);
    return out;
}

constexpr auto G = OutcomeKind::given, N = OutcomeKind::nothing_given, F = OutcomeKind::failed;

TEST(ClaimOutcomes, AmsByRetAndTheModulesIRet) {
    const std::vector<Told> first = {
        {"每日签到礼包", G, "0", {}},
        {"在线30分钟礼包", G, "0", {"M4A1-雷神(1天)"}},
        // One lottery drawn three times: three prizes, never the entry's title.
        {"周末狂欢抽奖", G, "0", {"经验加成卡(1天)"}},
        {"周末狂欢抽奖", G, "0", {"200GP"}},
        {"周末狂欢抽奖", G, "0", {"AK47-火麒麟(3天)"}},
        {"今日限定：火麒麟体验", G, "0", {"AK47-火麒麟体验(1天)"}},
        {"开学季礼包", G, "0", {}},
        {"心悦口令礼包", G, "0", {"心悦专属喷漆(永久)"}},
        {"心悦特权礼包", G, "0", {}},
        {"心悦二级礼包", N, "600", {}},
        {"报名礼包", F, "1-5003", {}},
        {"版本预热礼包", F, "50001", {}},
        {"版本狂欢礼包", F, "50002", {}},
        {"版本纪念礼包", F, "50003", {}},
        {"每周分享礼包", N, "600", {}},
    };
    const std::vector<Told> second = {
        {"每日签到礼包", N, "600", {}},
        {"在线30分钟礼包", N, "600", {}},
        // No draws left: the flow ran, its module said no.
        {"周末狂欢抽奖", N, "-1012", {}},
        {"周末狂欢抽奖", N, "-1012", {}},
        {"周末狂欢抽奖", N, "-1012", {}},
        {"今日限定：火麒麟体验", N, "600", {}},
        {"开学季礼包", N, "600", {}},
        {"心悦口令礼包", N, "600", {}},
        {"心悦特权礼包", N, "600", {}},
        {"心悦二级礼包", N, "600", {}},
        {"报名礼包", F, "1-5003", {}},
        {"版本预热礼包", F, "50001", {}},
        {"版本狂欢礼包", F, "50002", {}},
        {"版本纪念礼包", F, "50003", {}},
        {"每周分享礼包", N, "600", {}},
    };
    std::vector<Told> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(told_by("AMS"), expected);
}

TEST(ClaimOutcomes, TgpByStatusAndData) {
    EXPECT_EQ(told_by("TGP"), (std::vector<Told>{
                                  {"每日启动礼包", G, "1", {"TGP每日启动礼包：火麒麟(1天)"}},
                                  {"连续登录礼包", N, "-103", {}},
                                  {"新版本礼包", N, "-105", {}},
                                  {"老用户礼包", F, "60002", {}},
                                  {"每日启动礼包", N, "-99", {}},
                                  {"连续登录礼包", N, "-103", {}},
                                  {"新版本礼包", N, "-105", {}},
                                  {"老用户礼包", N, "-99", {}},
                              }));
}

TEST(ClaimOutcomes, VipByRet) {
    EXPECT_EQ(told_by("VIP"), (std::vector<Told>{
                                  {"会员每日礼包", G, "0", {}},
                                  {"超级会员礼包", N, "-5002", {}},
                                  {"会员周礼包", F, "80003", {}},
                                  {"会员每日礼包", N, "10002", {}},
                                  {"超级会员礼包", N, "-5002", {}},
                                  {"会员周礼包", F, "80003", {}},
                              }));
}

TEST(ClaimOutcomes, QzoneBySubcode) {
    EXPECT_EQ(told_by("Qzone"), (std::vector<Told>{
                                    {"空间每日抽奖", G, "0", {"CF黄金礼包(雷神1天)"}},
                                    {"空间签到礼包", F, "90001", {}},
                                    {"空间新用户礼包", N, "-10003", {}},
                                    {"空间每日抽奖", N, "-7029", {}},
                                    {"空间签到礼包", N, "-7029", {}},
                                    {"空间新用户礼包", N, "-10003", {}},
                                }));
}

// The words alone (all an old ledger row has) read the same as the codes for
// every answer the simulator gives.
TEST(ClaimOutcomes, EachProtocolsPhraseTableAgreesWithItsCodes) {
    ASSERT_FALSE(two_passes().empty());
    for (const auto& a : two_passes()) {
        if (a.told.kind == F) continue;
        SCOPED_TRACE(a.protocol + " " + a.told.item + " " + a.message);
        EXPECT_EQ(outcome_of_text(a.protocol, a.message), a.told.kind);
    }
}

TEST(ClaimOutcomes, GiftNamesAreReadFromTheWordsOfSuccess) {
    const std::pair<const char*, const char*> cases[] = {
        {"恭喜您抽中：200GP", "200GP"},
        {"恭喜您获得了礼包：M4A1-雷神(1天)！", "M4A1-雷神(1天)"},
        {"恭喜您获得了AK47-火麒麟体验(1天)", "AK47-火麒麟体验(1天)"},
        {"恭喜您，CDKEY兑换成功！获得：AK47-火麒麟(7天)", "AK47-火麒麟(7天)"},
        {"领取成功", ""},
        {"心悦特权礼包已发放至您的游戏仓库", ""},
        {"提示：请在游戏中查收", ""},
    };
    for (const auto& [message, gift] : cases) EXPECT_EQ(gift_named_in(message), gift) << message;
}

TEST(ClaimPass, AnotherAreaOrAnotherQqChecksTheAmsBindingAgain) {
    const std::string ams = "/ams/ame/ame.php";
    const std::string tgp_query = "/index.php/cf/a20160816tgp/index/ajax_get_all";
    PassBed bed;
    bed.pass();
    ASSERT_EQ(bed.requests(ams, "iFlowId=421002").size(), 1u);
    ASSERT_EQ(bed.sb->bound_area("61234"), 320);

    // Area B: the binding is checked and sent again, with B.
    bed.bind(318);
    bed.mark();
    bed.pass();
    EXPECT_EQ(bed.requests(ams, "iFlowId=421001").size(), 1u);
    const auto submits = bed.requests(ams, "iFlowId=421002");
    ASSERT_EQ(submits.size(), 1u);
    EXPECT_TRUE(contains(submits[0].body, "&user_area=318&")) << submits[0].body;
    EXPECT_EQ(bed.sb->bound_area("61234"), 318);
    // TGP: any bound zone counts, another area asks nothing again.
    EXPECT_TRUE(bed.requests(tgp_query).empty());

    // The same area again: remembered, nothing asked.
    bed.mark();
    bed.pass();
    EXPECT_TRUE(bed.requests(ams, "iFlowId=421001").empty());

    // Another QQ number in the same area: both kinds of binding are checked again.
    bed.s.state.qq = "20002";
    bed.mark();
    bed.pass();
    EXPECT_EQ(bed.requests(ams, "iFlowId=421001").size(), 1u);
    EXPECT_EQ(bed.requests(tgp_query).size(), 1u);
}

// A window closing while its jobs wait on a server that never answers. The
// engine's stall timeout (5 s here) would end each request much later.
class JobStop : public ::testing::Test {
  protected:
    using Ms = std::chrono::milliseconds;
    // Waits (at most 3 s) until the simulator got a request for path.
    bool wait_for_request(const std::string& path) {
        for (int i = 0; i < 300; ++i) {
            if (!bed.requests(path).empty()) return true;
            std::this_thread::sleep_for(Ms(10));
        }
        return false;
    }
    // request_stop, then the time until every job has ended.
    Ms stop_and_wait() {
        const auto begin = std::chrono::steady_clock::now();
        bed.s.jobs.request_stop();
        bed.s.jobs.wait_idle([] {});
        return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - begin);
    }

    PassBed bed;
};

TEST_F(JobStop, AJobBlockedInARequestEndsSoonAfterTheStopRequest) {
    bed.sb->misbehave("/stall", sandbox::Misbehaviour::Stall);
    std::atomic<bool> answered{false};
    std::string answer = "unset";
    bed.s.jobs.start([&] {
        answer = bed.s.http.get_text(bed.s.http_url(Host::AMS, "/stall"), false);
        answered = true;
    });
    ASSERT_TRUE(wait_for_request("/stall"));
    const Ms took = stop_and_wait();
    std::printf("stop latency of a job blocked in a request: %lld ms\n",
                static_cast<long long>(took.count()));
    EXPECT_LT(took.count(), 1000);
    EXPECT_TRUE(answered);
    EXPECT_EQ(answer, "");  // an aborted transfer is an empty answer

    // The jobs have drained: the request is over and the next jobs run.
    EXPECT_FALSE(bed.s.jobs.stop_requested());
    bed.s.jobs.start([&] { answer = bed.s.http.get_text(bed.s.http_url(Host::AMS, "/"), false); });
    bed.s.jobs.wait_idle([] {});
    EXPECT_NE(answer, "");
}

TEST_F(JobStop, AClaimPassAgainstAStallingSimulatorStopsSoon) {
    bed.sb->misbehave("/ams/ame/ame.php", sandbox::Misbehaviour::Stall);
    lock_controls(bed.s);
    bed.s.jobs.start([&] { run_claim_pass(bed.s, bed.catalogue, bed.cleaner, bed.client); });
    ASSERT_TRUE(wait_for_request("/ams/ame/ame.php"));
    const Ms took = stop_and_wait();
    std::printf("stop latency of a claim pass: %lld ms\n", static_cast<long long>(took.count()));
    EXPECT_LT(took.count(), 1000);
    // Stopped after the request under way: no further claim, no closing line,
    // and the controls are given back as at the end of every pass.
    EXPECT_EQ(bed.requests("/ams/ame/ame.php").size(), 1u);
    EXPECT_TRUE(bed.requests("/index.php/cf/").empty());
    const auto lines = bed.log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "navy|[提示]开始一键领取...");
    EXPECT_FALSE(contains(lines.back(), "一键领取结束")) << lines.back();
    EXPECT_TRUE(bed.view.enabled(ctl::main::按钮_一键领取));
}

TEST(ClaimPass, CancelledInputLeavesThePlaceholderInTheBody) {
    PassBed bed;
    bed.view.push_input_answer(std::nullopt);
    bed.pass();
    const auto sent = bed.requests("/ams/ame/ame.php", "iFlowId=430011");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(contains(sent[0].body, "&sCode=#{input}&")) << sent[0].body;
    EXPECT_EQ(
        bed.log()[8],
        "green|[提示][6/25]【心悦俱乐部】【心悦口令礼包】口令错误，请关注心悦俱乐部获取本周口令");
}

// Entries of activity 65001's refusal flow: every attempt gives one line, so
// the lines show which entries were on offer.
constexpr const char* kDatedCatalogue = R"([
 {t:'A',type:'1',aId:'65001',ds:[
   {t:'range',fId:'450004',only:"dates:'20161001-20161031'"},
   {t:'day',fId:'450004',only:"date:'20161019'"}]},
 {t:'manual',type:'3',ds:[{t:'m'}]},
 {t:'B',type:'1',aId:'65001',ds:[
   {t:'one part',fId:'450004',only:"dates:'20161001'"},
   {t:'no quotes, date',fId:'450004',only:"date:20161019"},
   {t:'no quotes, dates',fId:'450004',only:"dates:20161001-20161002"},
   {t:'other key',fId:'450004',only:"week:'3'"}]}
])";

// "i/n" of a line "colour|[提示][i/n]..."; empty for other lines.
std::string position_of(const std::string& line) {
    const std::string head = "[提示][";
    const size_t at = line.find(head);
    if (at == std::string::npos) return {};
    const size_t end = line.find(']', at + head.size());
    return line.substr(at + head.size(), end - at - head.size());
}

// Entry names "【group】【item】" of the attempt lines.
std::vector<std::string> entries_of(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) {
        if (position_of(l).empty()) continue;
        const size_t open = l.find("【");
        const size_t close = l.find("】", l.find("】", open) + 3);
        out.push_back(l.substr(open, close + 3 - open));
    }
    return out;
}

TEST(ClaimPass, DateFilterAtTheEdgesOfARange) {
    struct Case {
        DateTime today;
        std::vector<std::string> claimed;
    };
    const std::vector<std::string> always = {"【B】【one part】", "【B】【no quotes, dates】",
                                             "【B】【other key】"};
    auto with = [&](std::vector<std::string> first) {
        first.insert(first.end(), always.begin(), always.end());
        return first;
    };
    const Case cases[] = {
        {{2016, 9, 30, 23, 59, 59}, with({})},
        {{2016, 10, 1, 0, 0, 0}, with({"【A】【range】"})},
        {{2016, 10, 19, 12, 0, 0}, with({"【A】【range】", "【A】【day】"})},
        {{2016, 10, 31, 23, 59, 59}, with({"【A】【range】"})},
        {{2016, 11, 1, 0, 0, 0}, with({})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(format_datetime(c.today));
        PassBed bed;
        bed.sb->set_vendor_file("data.js", kDatedCatalogue);
        bed.sb->set_today(c.today);
        bed.pass();
        const auto lines = bed.log();
        const auto seen = entries_of(lines);
        EXPECT_EQ(seen, c.claimed);
        // n counts every entry on offer, the manual one included.
        const size_t n = c.claimed.size() + 1;
        for (const auto& l : lines) {
            if (!position_of(l).empty()) {
                EXPECT_TRUE(ends_with(position_of(l), "/" + std::to_string(n))) << l;
            }
        }
    }
}

TEST(ClaimPass, NumberingCountsEntriesWithoutProtocol) {
    PassBed bed;
    bed.sb->set_vendor_file("data.js", kDatedCatalogue);
    bed.pass();
    // 19 October: range, day, manual (no line), then the four of group B.
    std::vector<std::string> positions;
    for (const auto& l : bed.log())
        if (!position_of(l).empty()) positions.push_back(position_of(l));
    EXPECT_EQ(positions, (std::vector<std::string>{"1/6", "2/6", "4/6", "5/6", "6/6"}));
}

TEST(ClaimPass, ServerDateUnavailableOrUnreadable) {
    struct Case {
        const char* name;
        sandbox::Misbehaviour gdate;
        std::vector<std::string> claimed;
    };
    const Case cases[] = {
        // No answer: the local clock's day (19 October) stands in.
        {"no answer",
         sandbox::Misbehaviour::Empty,
         {"【A】【range】", "【A】【day】", "【B】【one part】", "【B】【no quotes, dates】",
          "【B】【other key】"}},
        // An answer without a date: the earliest date, so nothing dated is on offer.
        {"error page",
         sandbox::Misbehaviour::ErrorStatus,
         {"【B】【one part】", "【B】【no quotes, dates】", "【B】【other key】"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassBed bed;
        bed.sb->set_vendor_file("data.js", kDatedCatalogue);
        bed.sb->set_today({2016, 11, 5, 8, 0, 0});
        bed.sb->misbehave("/CommArticle/app/reg/gdate.php", c.gdate);
        bed.pass();
        EXPECT_EQ(entries_of(bed.log()), c.claimed);
    }
}

TEST(ClaimPass, CatalogueThatCannotBeLoadedEndsThePassSilently) {
    struct Case {
        const char* name;
        std::function<void(sandbox::Sandbox&)> spoil;
    };
    const Case cases[] = {
        {"no answer",
         [](sandbox::Sandbox& sb) {
             sb.misbehave("/cf/res/data.js", sandbox::Misbehaviour::Empty);
         }},
        {"error page",
         [](sandbox::Sandbox& sb) {
             sb.misbehave("/cf/res/data.js", sandbox::Misbehaviour::ErrorStatus);
         }},
        {"garbage",
         [](sandbox::Sandbox& sb) {
             sb.misbehave("/cf/res/data.js", sandbox::Misbehaviour::Garbage);
         }},
        {"empty list", [](sandbox::Sandbox& sb) { sb.set_vendor_file("data.js", "[]"); }},
        {"huge",
         [](sandbox::Sandbox& sb) {
             sb.misbehave("/cf/res/data.js", sandbox::Misbehaviour::Oversized);
         }},
        {"never finishes",
         [](sandbox::Sandbox& sb) { sb.set_vendor_file("data.js", "(function(){for(;;){}})()"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassBed bed;
        c.spoil(*bed.sb);
        bed.pass();
        EXPECT_TRUE(bed.log().empty());
        EXPECT_FALSE(bed.s.state.catalogue_ready);
        EXPECT_TRUE(bed.view.enabled(ctl::main::按钮_一键领取));
        EXPECT_TRUE(bed.requests("/ams/").empty());
    }
}

TEST(ClaimPass, FailedLoadIsRetriedByTheNextPass) {
    PassBed bed;
    bed.s.state.logged_in = false;  // unlock_controls gets the flag as it stands
    bed.sb->misbehave("/cf/res/data.js", sandbox::Misbehaviour::Empty);
    bed.pass();
    EXPECT_FALSE(bed.view.enabled(ctl::main::按钮_一键领取));
    bed.s.state.logged_in = true;
    bed.sb->clear_misbehaviour();
    bed.pass();
    EXPECT_TRUE(bed.s.state.catalogue_ready);
    EXPECT_EQ(bed.log().size(), kFirstPass.size());
}

}  // namespace
}  // namespace quillet
