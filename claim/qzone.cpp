#include "claim/qzone.h"

#include "script/json_view.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

namespace {
// A draw wins a prize or two; a longer list in an answer is not read on.
constexpr int kMaxPrizes = 20;
}  // namespace

std::string qzone_url(const Session& s, const std::string& token) {
    return s.http_url(Host::QZONE_ACT, "/fcg-bin/fcg_qzact_lottery?g_tk=") + s.state.g_tk +
           "&r=" + token;
}

std::string qzone_body(const Session& s, const ActivityEntry& e) {
    static constexpr const char* kBody =
        "actid=#{aId}\r\n&ruleid=#{param}\r\n&card_id=\r\n&card_code=\r\n&format=formsender\r\n"
        "&uin=#{uin}\r\n&g_tk=#{g_tk}\r\n&qzreferrer=http%3a%2f%2f#{pageHost}"
        "%2fmeteor%2fpc%2findex.html%3frid%3d1040";
    return fill_template(remove_crlf(kBody), {{"aId", e.aId},
                                              {"param", e.param},
                                              {"uin", s.state.qq},
                                              {"g_tk", s.state.g_tk},
                                              {"pageHost", s.hosts[Host::QZONE_PAGE]}});
}

std::string qzone_header_lines(const Session& s) {
    return "Accept:text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
           "Accept-Encoding:gzip, deflate\r\n"
           "Accept-Language:zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3\r\n"
           "Connection:keep-alive\r\n"
           "Host:" +
           s.hosts[Host::QZONE_ACT] +
           "\r\n"
           "Referer:http://" +
           s.hosts[Host::QZONE_STATIC] +
           "/qzone/mall/v8/lib/mall/misc/formsender.htm?max_age=2592000\r\n"
           "User-Agent:Mozilla/5.0 (Windows NT 10.0; WOW64; rv:47.0) Gecko/20100101 Firefox/47.0";
}

ClaimOutcome qzone_read_answer(const std::string& answer) {
    static const std::string kNetwork = utf8_to_gbk("领取失败，网络错误 90001");
    static const std::string kParse = utf8_to_gbk("领取失败，解析错误 90002");
    static const std::string kDrawn = utf8_to_gbk("您已抽取过该奖励，请明天再试");

    if (answer.empty()) return ClaimOutcome::failure(kNetwork, "90001");
    JsonView view;
    if (!view.load(text_between(answer, "frameElement.callback(", ");", 1, true)))
        return ClaimOutcome::failure(kParse, "90002");
    // subcode may come as a number or as a string: both read as the same text.
    const std::string subcode = view.get_text("subcode");
    if (subcode == "-7029") return ClaimOutcome::refused(kDrawn, subcode);
    if (subcode == "0") {
        // One draw may win several prizes: each is named in "data".
        std::vector<std::string> prizes;
        for (int i = 0; i < kMaxPrizes; ++i) {
            std::string name = view.get_text("data[" + std::to_string(i) + "].name");
            if (name.empty()) break;
            prizes.push_back(std::move(name));
        }
        return ClaimOutcome::gift(view.get_text("data[0].name"), subcode, std::move(prizes));
    }
    // Any other subcode (or none): "message" is the lottery's own reason.
    std::string message = view.get_text("message");
    return ClaimOutcome::refused(std::move(message), subcode);
}

ClaimOutcome qzone_claim(Session& s, const ActivityEntry& e) {
    std::string headers = qzone_header_lines(s);
    const std::string answer = s.http.post_text(qzone_url(s, make_random_token()), qzone_body(s, e),
                                                true, &s.state.cookie, &headers);
    return qzone_read_answer(answer);
}

}  // namespace quillet
