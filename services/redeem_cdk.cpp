// GameServiceClient::redeem_cdk: the CDKEY redemption through the AMS endpoint.
#include <string>

#include "net/cookie_jar.h"
#include "script/json_view.h"
#include "services/game_service_client.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

namespace {

constexpr const char* kRedeemTemplate =
    "sArea=#{area}\r\n&sRoleId=#{uin}\r\n&sCdKey=#{CDK}\r\n&iUin=#{uin}\r\n"
    "&sVerifyCode=#{code}\r\n&isVerifyCode=1\r\n&verifysession=#{session}\r\n"
    "&iVerifyId=21000104\r\n&iActivityId=8918\r\n&iFlowId=72798\r\n&g_tk=#{g_tk}\r\n"
    "&e_code=0\r\n&g_code=0\r\n&sServiceDepartment=group_f\r\n&sServiceType=cf\r\n"
    "&sPartition=#{area}\r\n&sAreaName=#{areaName}\r\n&sRoleName=#{roleName}\r\n"
    "&md5str=#{md5str}\r\n&ams_checkparam=#{checkparam}\r\n&checkparam=#{checkparam}";

}  // namespace

std::string GameServiceClient::redeem_cdk(const std::string& cdk, const std::string& code,
                                          const std::string& verify_session, const RoleInfo& role,
                                          bool& ok, bool* redeemed) {
    ok = false;
    const std::string area = std::to_string(role.area_id);
    const std::string area_text = area_name(role.area_id);
    // Values go in as they are (GBK, not encoded), in the service's order.
    const std::string body =
        fill_template(remove_crlf(kRedeemTemplate), {{"CDK", cdk},
                                                     {"uin", s_.state.qq},
                                                     {"code", code},
                                                     {"area", area},
                                                     {"session", verify_session},
                                                     {"roleName", role.role_name},
                                                     {"areaName", area_text},
                                                     {"md5str", role.md5str},
                                                     {"checkparam", role.checkparam},
                                                     {"g_tk", s_.state.g_tk}});
    // The session cookie with this captcha's verifysession; the session's own
    // cookie text is left as it is.
    CookieVar cookie(merge_cookies_copy(s_.state.cookie.get(), "verifysession=" + verify_session));
    const std::string answer =
        s_.http.post_text(s_.http_url(Host::AMS, "/ams/ame/ame.php"), body, true, &cookie);
    if (answer.empty()) return utf8_to_gbk("网络连接失败");
    return parse_redeem_answer(answer, ok, redeemed);
}

std::string parse_redeem_answer(std::string_view answer, bool& ok, bool* redeemed) {
    ok = false;
    if (redeemed != nullptr) *redeemed = false;
    static const std::string kUnreadable = utf8_to_gbk("解析失败，错误代码：90001");
    JsonView view;  // its own budget covers the load and both reads
    if (!view.load(answer)) return kUnreadable;
    // A refusal (wrong captcha, role check failed) carries its reason only in
    // flowRet: show that rather than an empty box.
    std::string message = view.get_text("modRet.sMsg");
    if (message.empty()) message = view.get_text("flowRet.sMsg");
    // The flow's ret and the module's iRet: a refusal before the module ran
    // (wrong captcha, role check) or by it (used or unknown key) is non-zero.
    const std::string ret = view.get_text("ret");
    const std::string module_ret = view.get_text("modRet.iRet");
    if (view.budget_spent()) return kUnreadable;
    ok = true;
    if (redeemed != nullptr) *redeemed = ret == "0" && (module_ret.empty() || module_ret == "0");
    return message;
}

}  // namespace quillet
