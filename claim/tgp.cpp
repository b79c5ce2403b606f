#include "claim/tgp.h"

#include "net/http_headers.h"
#include "script/json_view.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"
#include "text/time_text.h"

namespace quillet {
namespace {

std::string tgp_get(Session& s, const ActivityEntry& e, const std::string& url) {
    std::string headers = tgp_header_lines(e);  // the engine completes its own copy
    return s.http.get_text(url, false, &s.state.pt_cookie, &headers);
}

}  // namespace

std::string tgp_header_lines(const ActivityEntry& e) {
    // The page address comes from the catalogue: it must stay one header line.
    return "X-Requested-With:XMLHttpRequest\r\nReferer:" +
           http::header_value(replace_all(e.u, "#{aId}", e.aId));
}

std::string tgp_zone_query_url(const Session& s, const std::string& aId, const std::string& time) {
    return fill_template(
        s.http_url(Host::TGP_ACT, "/index.php/cf/#{aId}/index/ajax_get_all?&t=#{time}"),
        {{"aId", aId}, {"time", time}});
}

std::string tgp_zone_save_url(const Session& s, const std::string& aId, const std::string& time) {
    const SessionState& st = s.state;
    return fill_template(s.http_url(Host::TGP_ACT,
                                    "/index.php/cf/#{aId}/index/ajax_save_zone/#{area}/#{roleName}/"
                                    "?t=#{time}&uin=#{uin}&callback=123&_=#{time}"),
                         {{"aId", aId},
                          {"area", std::to_string(st.area_id)},
                          {"roleName", percent_encode(gbk_to_utf8(st.role_name))},
                          {"time", time},
                          {"uin", st.qq}});
}

std::string tgp_gift_url(const Session& s, const ActivityEntry& e, const std::string& time) {
    return fill_template(s.http_url(Host::TGP_ACT,
                                    "/index.php/cf/#{aId}/index/ajax_get_present/#{param}"
                                    "?t=#{time}&uin=#{uin}"),
                         {{"aId", e.aId}, {"param", e.param}, {"time", time}, {"uin", s.state.qq}});
}

std::string tgp_bind(Session& s, const ActivityEntry& e) {
    // Any bound zone counts, so the area is not part of a TGP binding.
    if (s.state.tgp_bound_ids.contains_any_area(s.state.qq, e.aId)) return "0";

    const std::string zone = tgp_get(s, e, tgp_zone_query_url(s, e.aId, unix_time_text(s.clock)));
    // An unanswered or unreadable zone query is no error: the zone is saved.
    if (!zone.empty()) {
        JsonView view;
        if (view.load(zone) && view.get_text("status") == "1" &&
            view.get_text("data.zone") != "0") {
            s.state.tgp_bound_ids.add(s.state.qq, e.aId, 0);
            return "0";
        }
    }

    const std::string saved = tgp_get(s, e, tgp_zone_save_url(s, e.aId, unix_time_text(s.clock)));
    if (saved.empty()) return "-2";
    JsonView view;
    if (!view.load(text_between(saved, "123(", ")"))) return "-3";
    if (view.get_text("status") != "1") return "-4";
    s.state.tgp_bound_ids.add(s.state.qq, e.aId, 0);
    return "0";
}

ClaimOutcome tgp_read_gift_answer(const std::string& answer) {
    static const std::string kNetwork = utf8_to_gbk("领取失败，网络错误 60001");
    static const std::string kParse = utf8_to_gbk("领取失败，解析错误 60002");
    static const std::string kAlready = utf8_to_gbk("您已经领取过该礼包");
    static const std::string kUnreleased = utf8_to_gbk("新版本暂未发布");
    static const std::string kNotStarted = utf8_to_gbk("您在今天还未通过TGP启动过CF游戏");

    if (answer.empty()) return ClaimOutcome::failure(kNetwork, "60001");
    JsonView view;
    if (!view.load(answer)) return ClaimOutcome::failure(kParse, "60002");
    const std::string status = view.get_text("status");
    if (status == "1") {
        std::string name = view.get_text("data.name");
        std::vector<std::string> gifts;
        if (!name.empty()) gifts.push_back(name);
        return ClaimOutcome::gift(std::move(name), status, std::move(gifts));
    }
    // Every other status is the platform saying no; with status "0" its
    // reason is the code in "data".
    if (status == "0") {
        const std::string data = view.get_text("data");
        if (data == "-99") return ClaimOutcome::refused(kAlready, data);
        if (data == "-105") return ClaimOutcome::refused(kUnreleased, data);
        if (data == "-103") return ClaimOutcome::refused(kNotStarted, data);
        return ClaimOutcome::refused("", data);
    }
    return ClaimOutcome::refused("", status);
}

ClaimOutcome tgp_claim(Session& s, const ActivityEntry& e) {
    return tgp_read_gift_answer(tgp_get(s, e, tgp_gift_url(s, e, unix_time_text(s.clock))));
}

}  // namespace quillet
