#include "claim/vouchers.h"

#include <string>

#include "claim/ams.h"
#include "script/json_view.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {

namespace {

constexpr const char* kMallTemplate =
    "gameId=\r\n&sArea=#{area}\r\n&sRoleId=#{uin}\r\n&iGender=\r\n&sServiceType=cf\r\n"
    "&objCustomMsg=\r\n&areaname=\r\n&roleid=\r\n&rolelevel=\r\n&rolename=\r\n&areaid=\r\n"
    "&iActivityId=#{aId}\r\n&iFlowId=#{fId}\r\n&g_tk=#{g_tk}\r\n&e_code=0\r\n&g_code=0\r\n"
    "&eas_url=http%253A%252F%252F#{daoju}%252Fmall%252Fjudou2.0%252Fcf.shtml\r\n&eas_refer=\r\n"
    "&sServiceDepartment=djc\r\n&sPartition=#{area}\r\n&sAreaName=\r\n&sRoleName=\r\n"
    "&md5str=#{md5str}\r\n&ams_checkparam=#{checkparam}\r\n&checkparam=#{checkparam}";

const char* const kNoneChosen = "选择兑换道具";

void fail(Session& s, const std::string& line) {
    s.log.append(line, colour::red);
    unlock_controls(s, s.state.logged_in);
}

void fill_list(Session& s, Control list, const VoucherOffer& offer) {
    s.view.clear_items(list);
    s.view.add_item(list, utf8_to_gbk(kNoneChosen), 0);
    s.view.select_index(list, 0);
    for (const VoucherItem& item : offer.items)
        s.view.add_item(list, item.t, int_of_text(item.fId));
}

std::string answer_message(const JsonView& view) {
    std::string m = view.get_text("modRet.sMsg");
    if (m.empty()) m = view.get_text("flowRet.sMsg");
    return unescape_unicode(m);
}

}  // namespace

std::string mall_exchange_body(const Session& s, const std::string& aId, const std::string& fId) {
    // The eas_url host is configuration, not a value of the request.
    const std::string tmpl =
        replace_all(remove_crlf(kMallTemplate), "#{daoju}", s.hosts[Host::DAOJU]);
    return fill_template(tmpl, {{"area", std::to_string(s.state.area_id)},
                                {"aId", aId},
                                {"fId", fId},
                                {"g_tk", s.state.g_tk},
                                {"uin", s.state.qq},
                                {"md5str", s.state.md5str},
                                {"checkparam", s.state.checkparam}});
}

bool read_voucher_offers(const std::string& text, VoucherOffers& offers,
                         const std::function<void()>& after_each) {
    // The real file has three offers of a few dozen items each.
    constexpr int64_t kMaxOffers = 1000;
    constexpr int64_t kMaxItems = 10000;  // over all offers together
    ScriptBudget budget;                  // one for the whole file
    JsonView file(budget);
    if (text.empty() || !file.load(text)) return false;
    const int64_t n = bounded_count(file, "", kMaxOffers);
    if (n < 0) return false;
    VoucherOffers read = offers;
    int64_t items_read = 0;
    JsonView list(budget);
    for (int64_t i = 0; i < n; ++i) {
        const std::string at = "[" + std::to_string(i) + "].";
        auto member = [&](const char* name) { return file.get_text(at + name); };
        VoucherOffer offer{
            member("aId"),  member("actId"), member("saId"), member("sfId0"),    member("sfId1"),
            member("cxId"), member("cjId"),  member("rK"),   member("cjTicket"), {}};
        if (after_each) after_each();
        const std::string list_text = file.get_text(at + "list", true);
        // Past the budget every read is empty: what was read is not the file.
        if (budget.spent()) return false;
        if (!list.load(list_text)) continue;
        const int64_t m = bounded_count(list, "", kMaxItems - items_read);
        if (m < 0) return false;
        items_read += m;
        for (int64_t k = 0; k < m; ++k) {
            const std::string item = "[" + std::to_string(k) + "].";
            offer.items.push_back({list.get_text(item + "t"), list.get_text(item + "fId")});
        }
        const std::string type = member("type");
        if (budget.spent()) return false;
        if (type == "1")
            read.month = std::move(offer);
        else if (type == "2")
            read.judou = std::move(offer);
        else if (type == "3")
            read.bang = std::move(offer);
    }
    offers = std::move(read);
    return true;
}

void load_vouchers(Session& s, Guarded<VoucherOffers>& stored) {
    if (!s.state.area_bound) return fail(s, utf8_to_gbk("[提示]请先绑定大区"));
    s.log.append(utf8_to_gbk("[提示]查询月券/聚豆..."), colour::navy);

    CookieVar no_cookie;
    const std::string file = s.http.get_text(
        s.http_url(Host::VENDOR, "/cf/res/month.js?t=") + make_random_token(), true, &no_cookie);
    VoucherOffers offers = stored.get();
    if (!read_voucher_offers(file, offers, [&s] { s.pump(); }))
        return fail(s, utf8_to_gbk("[提示]月券/聚豆取出失败，请重试"));
    stored.set(offers);

    // 聚豆 balance: a script assignment whose object closes with "}}".
    const std::string judou_url = fill_template(
        s.http_url(Host::GAME_APPS,
                   "/daoju/appmarket/daoju_promotion/cloud_ticket/QueryCloudTicket.php"
                   "?acctid=#{actId}&id=#{saId}&time=#{rtime}&_=#{time}"),
        {{"actId", offers.judou.actId},
         {"saId", offers.judou.saId},
         {"rtime", make_random_token()},
         {"time", unix_time_text(s.clock)}});
    const std::string judou_answer = s.http.get_text(judou_url, false, &s.state.cookie);
    JsonView judou_view;
    if (!judou_view.load(text_between(judou_answer, "var sCLOUDJF_RES = ", "}}") + "}}"))
        return fail(s, utf8_to_gbk("[提示]聚豆查询失败，查询错误，错误码：1"));
    const std::string judou = judou_view.get_text(offers.judou.rK);
    s.view.set_caption(ctl::main::标签_月券_聚豆, utf8_to_gbk("现有聚豆：") + judou);
    s.pump();

    const std::string code = ams_bind(s, offers.bang.aId, offers.bang.saId, offers.bang.sfId0,
                                      offers.bang.sfId1, s.state.bang_bound_ids);
    if (code != "0") return fail(s, utf8_to_gbk("[提示]帮豆查询失败，绑定错误，错误码：3") + code);

    const std::string bang_answer = s.http.post_text(
        s.http_url(Host::BANG, "/user/scorePersonal/") + make_random_token(),
        "durl=&eid=2000&game=cf&mid=2&ref=&serviceType=2&surl=&world=0", false, &s.state.cookie);
    JsonView bang_view;
    if (bang_answer.empty() || !bang_view.load(bang_answer))
        return fail(s, utf8_to_gbk("[提示]帮豆查询失败，查询错误，错误码：1"));
    const std::string bang = bang_view.get_text(offers.bang.rK);
    s.view.set_caption(ctl::main::标签_月券_帮豆, utf8_to_gbk("现有帮豆：") + bang);
    s.pump();

    fill_list(s, ctl::main::组合框_月券_月券, offers.month);
    fill_list(s, ctl::main::组合框_月券_聚豆, offers.judou);
    fill_list(s, ctl::main::组合框_月券_帮豆, offers.bang);
    s.pump();
    show_panel(s, ctl::main::外形框_月券);
    // The 月券 balance is not queried: its place in the line stays empty.
    s.log.append(utf8_to_gbk("[提示]【月券 - 】【聚豆 - ") + judou + utf8_to_gbk("】【帮豆 - ") +
                     bang + utf8_to_gbk("】"),
                 colour::green);
    unlock_controls(s, s.state.logged_in);
}

std::optional<VoucherRequest> prepare_voucher_action(Session& s, const VoucherOffers& offers,
                                                     VoucherAction action) {
    const bool lottery =
        action == VoucherAction::JudouLottery || action == VoucherAction::BangLottery;
    const VoucherOffer& offer =
        action == VoucherAction::MonthExchange ? offers.month
        : (action == VoucherAction::JudouExchange || action == VoucherAction::JudouLottery)
            ? offers.judou
            : offers.bang;

    std::string flow;
    if (lottery) {
        const bool judou = action == VoucherAction::JudouLottery;
        const std::string text =
            utf8_to_gbk("需要消耗 ") + offer.cjTicket + utf8_to_gbk(judou ? "个聚豆" : "个帮豆");
        if (!s.view.confirm_box(text, utf8_to_gbk(judou ? "聚豆抽奖" : "帮豆抽奖")))
            return std::nullopt;
        flow = offer.cjId;
    } else {
        const Control list = action == VoucherAction::MonthExchange ? ctl::main::组合框_月券_月券
                             : action == VoucherAction::JudouExchange ? ctl::main::组合框_月券_聚豆
                                                                      : ctl::main::组合框_月券_帮豆;
        const int index = s.view.selected_index(list);
        // Nothing chosen (or an item whose flow id is not a number): nothing to send.
        if (index < 0) return std::nullopt;
        const int64_t value = s.view.item_value(list, index);
        if (value <= 0) return std::nullopt;
        flow = std::to_string(value);
    }
    return VoucherRequest{action, offer.aId, flow};
}

VoucherAnswer send_voucher_action(Session& s, const VoucherRequest& request) {
    const VoucherAction action = request.action;
    const bool mall = action == VoucherAction::JudouExchange ||
                      action == VoucherAction::JudouLottery ||
                      action == VoucherAction::BangExchange;
    const std::string body =
        mall ? mall_exchange_body(s, request.aId, request.flow)
             : ams_standard_body(request.aId, request.flow, s.state.g_tk, s.hosts[Host::GAME_SITE]);
    const std::string answer =
        s.http.post_text(s.http_url(Host::AMS, "/ams/ame/ame.php"), body, true, &s.state.cookie);
    const std::string d = std::to_string(static_cast<int>(action));
    if (answer.empty()) {
        s.view.message_box(utf8_to_gbk("网络访问失败，错误代码 ") + d, "");
        return VoucherAnswer::Failed;
    }
    JsonView view;
    if (!view.load(answer)) {
        const char* what = action == VoucherAction::JudouLottery ? "抽奖接口需更新，错误代码 "
                                                                 : "兑换接口需更新，错误代码 ";
        s.view.message_box(utf8_to_gbk(what) + d, "");
        return VoucherAnswer::Failed;
    }
    s.view.message_box(answer_message(view), "");
    return view.get_text("ret") == "0" && view.get_text("flowRet.iRet") == "0"
               ? VoucherAnswer::Accepted
               : VoucherAnswer::Refused;
}

void run_voucher_action(Session& s, const VoucherOffers& offers, VoucherAction action) {
    if (auto request = prepare_voucher_action(s, offers, action)) send_voucher_action(s, *request);
}

}  // namespace quillet
