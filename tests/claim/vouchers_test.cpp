// The voucher panel: the offer file, both balances with the 帮豆 binding, the
// three lists, the final line, every failure line, and the five actions with
// their confirmation and messages.
#include "claim/vouchers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "tests/services/feature_bed.h"
#include "tests/support/short_script_budget.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using testing::gbk;
using testing::utf8;
using Lines = std::vector<std::string>;

const char* const kAms = "/ams/ame/ame.php";

// Offers in the file's format (members as texts, the items under "list").
std::string offer(const std::string& type, const std::string& aId, const std::string& saId,
                  const std::string& list_json) {
    std::string o =
        "{\"type\":\"" + type + "\",\"aId\":\"" + aId + "\",\"actId\":\"2001\",\"saId\":\"" + saId +
        "\",\"sfId0\":\"300201\",\"sfId1\":\"300202\",\"cxId\":\"9\",\"cjId\":\"300109\","
        "\"rK\":\"" +
        std::string(type == "3" ? "data.score" : "data.ticket") + "\",\"cjTicket\":\"10\"";
    if (!list_json.empty()) o += ",\"list\":" + list_json;
    return o + "}";
}

std::vector<std::string> items_of(const FeatureBed& bed, Control list) {
    std::vector<std::string> out;
    for (const auto& item : bed.view.state(list).items)
        out.push_back(utf8(item.text) + "=" + std::to_string(item.value));
    return out;
}

TEST(VoucherFile, KeepsTheLastReadableOfferOfEachType) {
    VoucherOffers offers;
    offers.bang.aId = "earlier";
    const std::string file =
        "[" + offer("2", "first", "", R"j([{"t":"A","fId":"1"}])j") + "," +
        offer("2", "second", "", R"j([{"t":"B","fId":"2"},{"t":"C","fId":"x"}])j") + "," +
        offer("3", "no list", "", "") + "," +            // skipped: 帮豆 keeps "earlier"
        offer("7", "other type", "", R"j([])j") + "," +  // dropped
        offer("1", "month", "", R"j([])j") + "]";
    ASSERT_TRUE(read_voucher_offers(file, offers));
    EXPECT_EQ(offers.judou.aId, "second");
    ASSERT_EQ(offers.judou.items.size(), 2u);
    EXPECT_EQ(offers.judou.items[0].t, "B");
    EXPECT_EQ(offers.judou.items[1].fId, "x");
    EXPECT_EQ(offers.judou.cjTicket, "10");
    EXPECT_EQ(offers.judou.rK, "data.ticket");
    EXPECT_EQ(offers.bang.aId, "earlier");
    EXPECT_EQ(offers.month.aId, "month");
    EXPECT_TRUE(offers.month.items.empty());

    VoucherOffers untouched;
    EXPECT_FALSE(read_voucher_offers("", untouched));
    EXPECT_FALSE(read_voucher_offers("[{\"type\":", untouched));
}

TEST(VoucherFile, HostileFilesFailWithinOneBudgetAndChangeNothing) {
    const testing::ShortScriptBudget budget;
    const std::string looping_offer =
        testing::never_returning({"aId", "actId", "saId", "sfId0", "sfId1", "cxId", "cjId", "rK",
                                  "cjTicket", "type", "list"});
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"a length the file cannot hold", R"({"length":1e12})"},
        {"an item list claiming a huge length",
         "[" + offer("2", "a", "", R"j({"length":1e12})j") + "]"},
        {"a built item list beyond any offer", "[{type:'2',list:Array(20000).fill({t:'x'})}]"},
        {"members that never return", "[" + looping_offer + "," + looping_offer + "]"},
        {"items that never return", "[{type:'2',list:[" + testing::never_returning({"t", "fId"}) +
                                        "," + testing::never_returning({"t", "fId"}) + "]}]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VoucherOffers offers;
        offers.judou.aId = "earlier";
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(read_voucher_offers(c.text, offers));
        EXPECT_EQ(offers.judou.aId, "earlier");
        EXPECT_TRUE(offers.judou.items.empty());
        // One 300 ms budget and some slack; a budget per call would be seconds.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
    }
}

TEST(Vouchers, LoadShowsBothBalancesTheListsAndTheSummaryLine) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    bed.sb->set_balances(120, 35);
    Guarded<VoucherOffers> offers;
    lock_controls(bed.s);
    load_vouchers(bed.s, offers);

    EXPECT_EQ(bed.log(), (Lines{"navy|[提示]查询月券/聚豆...",
                                "green|[提示]【月券 - 】【聚豆 - 120】【帮豆 - 35】"}));
    EXPECT_EQ(bed.caption(ctl::main::标签_月券_聚豆), "现有聚豆：120");
    EXPECT_EQ(bed.caption(ctl::main::标签_月券_帮豆), "现有帮豆：35");
    EXPECT_EQ(bed.caption(ctl::main::标签_月券_月券), "现有月券：0  暂不可用");
    EXPECT_EQ(items_of(bed, ctl::main::组合框_月券_月券),
              (Lines{"选择兑换道具=0", "M4A1-黑骑士(7天) 30月券=470011"}));
    EXPECT_EQ(items_of(bed, ctl::main::组合框_月券_聚豆),
              (Lines{"选择兑换道具=0", "AK47-火麒麟(7天) 60聚豆=470021",
                     "M4A1-雷神(7天) 50聚豆=470022", "巴雷特-极光(永久) 800聚豆=470023"}));
    EXPECT_EQ(items_of(bed, ctl::main::组合框_月券_帮豆),
              (Lines{"选择兑换道具=0", "沙漠之鹰-黄金(3天) 30帮豆=470033",
                     "AWM-天龙(7天) 300帮豆=470034"}));
    for (Control list :
         {ctl::main::组合框_月券_月券, ctl::main::组合框_月券_聚豆, ctl::main::组合框_月券_帮豆})
        EXPECT_EQ(bed.view.selected_index(list), 0);
    EXPECT_TRUE(bed.view.is_visible(ctl::main::外形框_月券));
    EXPECT_TRUE(bed.bound_features_enabled());

    // The 帮豆 activity was bound (query, then submit) and is remembered apart
    // from the claims' bindings.
    EXPECT_EQ(bed.requests(kAms).size(), 2u);
    EXPECT_TRUE(bed.s.state.bang_bound_ids.contains_any_area(bed.s.state.qq, "70003"));
    EXPECT_FALSE(bed.s.state.ams_bound_ids.contains_any_area(bed.s.state.qq, "70003"));
    const VoucherOffers kept = offers.get();
    EXPECT_EQ(kept.judou.aId, "70002");
    EXPECT_EQ(kept.bang.cjId, "470039");

    // A second load binds no more, and the file is fetched without the session cookie.
    bed.mark();
    lock_controls(bed.s);
    load_vouchers(bed.s, offers);
    EXPECT_TRUE(bed.requests(kAms).empty());
    const auto file = bed.requests("/cf/res/month.js");
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].header("Cookie").find("skey"), std::string::npos);
    EXPECT_TRUE(file[0].target.starts_with("/cf/res/month.js?t=0."));
}

TEST(Vouchers, ABangOfferWithoutBindingIdGoesStraightToTheBalance) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    bed.sb->set_balances(7, 9);
    bed.sb->set_vendor_file(
        "month.js",
        "[" + offer("2", "70002", "210", R"j([{"t":"AK47-火麒麟(7天)","fId":"470021"}])j") + "," +
            offer("3", "70003", "", R"j([{"t":"沙漠之鹰-黄金(3天)","fId":"470033"}])j") + "]");
    Guarded<VoucherOffers> offers;
    lock_controls(bed.s);
    load_vouchers(bed.s, offers);
    EXPECT_TRUE(bed.requests(kAms).empty());
    EXPECT_FALSE(bed.s.state.bang_bound_ids.contains_any_area(bed.s.state.qq, "70003"));
    EXPECT_EQ(bed.log().back(), "green|[提示]【月券 - 】【聚豆 - 7】【帮豆 - 9】");
    // No 月券 offer in this file: its list holds only the placeholder.
    EXPECT_EQ(items_of(bed, ctl::main::组合框_月券_月券), (Lines{"选择兑换道具=0"}));
}

TEST(Vouchers, EachFailureIsOneRedLineAndEndsTheLoad) {
    struct Case {
        const char* name;
        const char* path;
        sandbox::Misbehaviour m;
        std::string line;
        const char* judou_caption;  // what the 聚豆 label shows afterwards
    };
    const Case cases[] = {
        {"no offer file", "/cf/res/month.js", sandbox::Misbehaviour::Empty,
         "red|[提示]月券/聚豆取出失败，请重试", "现有聚豆：0"},
        {"unreadable offer file", "/cf/res/month.js", sandbox::Misbehaviour::Garbage,
         "red|[提示]月券/聚豆取出失败，请重试", "现有聚豆：0"},
        {"聚豆 unanswered", "/daoju/appmarket", sandbox::Misbehaviour::Empty,
         "red|[提示]聚豆查询失败，查询错误，错误码：1", "现有聚豆：0"},
        {"聚豆 unreadable", "/daoju/appmarket", sandbox::Misbehaviour::Garbage,
         "red|[提示]聚豆查询失败，查询错误，错误码：1", "现有聚豆：0"},
        {"binding unanswered", kAms, sandbox::Misbehaviour::Empty,
         "red|[提示]帮豆查询失败，绑定错误，错误码：3-2", "现有聚豆：120"},
        {"帮豆 unanswered", "/user/scorePersonal/", sandbox::Misbehaviour::Empty,
         "red|[提示]帮豆查询失败，查询错误，错误码：1", "现有聚豆：120"},
        {"帮豆 unreadable", "/user/scorePersonal/", sandbox::Misbehaviour::Garbage,
         "red|[提示]帮豆查询失败，查询错误，错误码：1", "现有聚豆：120"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        bed.sb->set_balances(120, 35);
        bed.sb->misbehave(c.path, c.m);
        Guarded<VoucherOffers> offers;
        lock_controls(bed.s);
        load_vouchers(bed.s, offers);
        EXPECT_EQ(bed.log(), (Lines{"navy|[提示]查询月券/聚豆...", c.line}));
        EXPECT_EQ(bed.caption(ctl::main::标签_月券_聚豆), c.judou_caption);
        EXPECT_EQ(bed.caption(ctl::main::标签_月券_帮豆), "现有帮豆：0");
        EXPECT_FALSE(bed.view.is_visible(ctl::main::外形框_月券));
        EXPECT_TRUE(bed.unlocked());
    }
}

TEST(Vouchers, WithoutABoundRegionOnlyTheRedLine) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    bed.s.state.area_bound = false;
    Guarded<VoucherOffers> offers;
    lock_controls(bed.s);
    load_vouchers(bed.s, offers);
    EXPECT_EQ(bed.log(), (Lines{"red|[提示]请先绑定大区"}));
    EXPECT_TRUE(bed.sb->requests().empty());
    EXPECT_TRUE(bed.bound_features_enabled());  // the panel unlocks by the login
}

// The panel after a load, for the actions.
class VoucherActions : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(bed.initialise());
        bed.sb->set_balances(120, 35);
        lock_controls(bed.s);
        load_vouchers(bed.s, stored);
        bed.mark();
    }
    void pick(Control list, int index) { bed.view.select_index(list, index); }
    void run(VoucherAction a) { run_voucher_action(bed.s, stored.get(), a); }

    FeatureBed bed;
    Guarded<VoucherOffers> stored;
};

TEST_F(VoucherActions, ExchangesSendTheChosenItemAndShowTheAnswer) {
    pick(ctl::main::组合框_月券_聚豆, 1);
    run(VoucherAction::JudouExchange);
    EXPECT_EQ(bed.messages(), (Lines{"|恭喜您成功兑换【AK47-火麒麟(7天)】，道具将在24小时内到账"}));
    EXPECT_EQ(bed.sb->judou(), 60);
    auto sent = bed.requests(kAms);
    ASSERT_EQ(sent.size(), 1u);
    const std::string& body = sent[0].body;
    EXPECT_TRUE(body.starts_with("gameId=&sArea=320&sRoleId=" + bed.s.state.qq +
                                 "&iGender=&sServiceType=cf&"));
    EXPECT_NE(
        body.find("&iActivityId=70002&iFlowId=470021&g_tk=" + bed.s.state.g_tk +
                  "&e_code=0&g_code=0&eas_url=http%253A%252F%252F" + bed.s.hosts[Host::DAOJU] +
                  "%252Fmall%252Fjudou2.0%252Fcf.shtml&eas_refer=&sServiceDepartment=djc&"
                  "sPartition=320&sAreaName=&sRoleName=&md5str=" +
                  bed.s.state.md5str + "&ams_checkparam=" + bed.s.state.checkparam +
                  "&checkparam=" + bed.s.state.checkparam),
        std::string::npos);

    // 帮豆 through the mall too; 月券 through the standard claim body.
    bed.mark();
    pick(ctl::main::组合框_月券_帮豆, 1);
    run(VoucherAction::BangExchange);
    EXPECT_EQ(bed.messages(),
              (Lines{"|恭喜您成功兑换【沙漠之鹰-黄金(3天)】，道具将在24小时内到账"}));
    EXPECT_EQ(bed.sb->bangdou(), 5);
    bed.mark();
    pick(ctl::main::组合框_月券_月券, 1);
    run(VoucherAction::MonthExchange);
    sent = bed.requests(kAms);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].body.find("&iActivityId=70001&iFlowId=470011&"), std::string::npos);
    EXPECT_NE(sent[0].body.find("&sServiceDepartment=group_f"), std::string::npos);
    // Nobody holds 月券: the service's refusal is shown.
    EXPECT_EQ(bed.messages(), (Lines{"|非常抱歉，您的月券余额不足！"}));
}

TEST_F(VoucherActions, NothingChosenSendsNothing) {
    for (VoucherAction a : {VoucherAction::MonthExchange, VoucherAction::JudouExchange,
                            VoucherAction::BangExchange}) {
        run(a);  // "选择兑换道具" is selected after the load
    }
    bed.view.select_index(ctl::main::组合框_月券_聚豆, -1);
    run(VoucherAction::JudouExchange);
    // An item whose flow id reads as 0 or less names no flow either.
    for (int64_t value : {int64_t{0}, int64_t{-470021}, INT64_MIN}) {
        SCOPED_TRACE(value);
        const Control list = ctl::main::组合框_月券_帮豆;
        bed.view.add_item(list, gbk("坏的道具"), value);
        pick(list, bed.view.item_count(list) - 1);
        run(VoucherAction::BangExchange);
    }
    EXPECT_TRUE(bed.sb->requests().empty());
    EXPECT_TRUE(bed.messages().empty());
}

TEST_F(VoucherActions, LotteriesAskFirstAndACancelSendsNothing) {
    bed.view.push_confirm_answer(false);
    bed.view.push_confirm_answer(false);
    run(VoucherAction::JudouLottery);
    run(VoucherAction::BangLottery);
    EXPECT_TRUE(bed.sb->requests().empty());
    EXPECT_TRUE(bed.messages().empty());
    Lines asked;
    for (const auto& e : bed.view.events_of("confirm"))
        asked.push_back(utf8(e.target) + "|" + utf8(e.value));
    EXPECT_EQ(asked, (Lines{"聚豆抽奖|需要消耗 20个聚豆", "帮豆抽奖|需要消耗 10个帮豆"}));

    bed.mark();
    run(VoucherAction::JudouLottery);  // OK by default
    EXPECT_EQ(bed.messages(), (Lines{"|恭喜您抽中了【经验加成卡(1天)】，道具将在24小时内到账"}));
    const auto sent = bed.requests(kAms);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].body.find("&iActivityId=70002&iFlowId=470029&"), std::string::npos);
    EXPECT_NE(sent[0].body.find("&sServiceDepartment=djc&"), std::string::npos);
    bed.mark();
    run(VoucherAction::BangLottery);  // the standard body
    const auto bang = bed.requests(kAms);
    ASSERT_EQ(bang.size(), 1u);
    EXPECT_NE(bang[0].body.find("&iActivityId=70003&iFlowId=470039&"), std::string::npos);
    EXPECT_NE(bang[0].body.find("&sServiceDepartment=group_f"), std::string::npos);
}

TEST_F(VoucherActions, UnansweredAndUnreadableAnswersNameTheirDigit) {
    struct Case {
        VoucherAction action;
        Lines texts;  // no answer, unreadable answer
    };
    const Case cases[] = {
        {VoucherAction::MonthExchange,
         {"|网络访问失败，错误代码 1", "|兑换接口需更新，错误代码 1"}},
        {VoucherAction::JudouExchange,
         {"|网络访问失败，错误代码 2", "|兑换接口需更新，错误代码 2"}},
        {VoucherAction::JudouLottery, {"|网络访问失败，错误代码 3", "|抽奖接口需更新，错误代码 3"}},
        {VoucherAction::BangExchange, {"|网络访问失败，错误代码 4", "|兑换接口需更新，错误代码 4"}},
        {VoucherAction::BangLottery, {"|网络访问失败，错误代码 5", "|兑换接口需更新，错误代码 5"}},
    };
    pick(ctl::main::组合框_月券_月券, 1);
    pick(ctl::main::组合框_月券_聚豆, 1);
    pick(ctl::main::组合框_月券_帮豆, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        bed.mark();
        bed.sb->misbehave(kAms, sandbox::Misbehaviour::Empty);
        run(c.action);
        bed.sb->misbehave(kAms, sandbox::Misbehaviour::Garbage);
        run(c.action);
        EXPECT_EQ(bed.messages(), c.texts);
    }
    EXPECT_EQ(bed.sb->judou(), 120);
}

}  // namespace
}  // namespace quillet
