// With the simulator told to stall, reset or answer garbage on one publisher
// path at a time, every command still ends within its bound, shows the
// failure a user is meant to see, and exits with the status that tells it
// (1 for a feature that could not show what it was asked for).
#include <gtest/gtest.h>

#include "tests/e2e/e2e_fixture.h"

namespace quillet::e2e {
namespace {

using sandbox::Misbehaviour;

struct Fault {
    const char* name;
    std::vector<std::string> args;
    const char* path;
    std::vector<Misbehaviour> modes;
    const char* shown;  // a text the user sees; "a|b": either

    int status;  // expected exit status
};

const std::vector<Misbehaviour> kNoAnswer{Misbehaviour::Stall, Misbehaviour::Reset,
                                          Misbehaviour::Empty};
const std::vector<Misbehaviour> kAll{Misbehaviour::Stall, Misbehaviour::Reset, Misbehaviour::Empty,
                                     Misbehaviour::Garbage};

const Fault kFaults[] = {
    {"info_login",
     {"info"},
     "/comm-cgi-bin/login/LoginReturnInfo.cgi",
     kNoAnswer,
     "[提示]QQ信息获取失败，请检查网络或重新登录",
     1},
    {"info_bound_area",
     {"info"},
     "/ams/ame/ame.php",
     kNoAnswer,
     "[提示]CF信息获取失败，请手动绑定大区",
     1},
    {"info_role",
     {"info"},
     "/comm-cgi-bin/content_admin/activity_center/query_role.cgi",
     kNoAnswer,
     "[提示]CF信息获取失败，请检查网络或重新登录",
     1},
    {"info_vip",
     {"info"},
     "/cf/a20141126main/getUserInfo.php",
     kNoAnswer,
     "[提示]CFVip信息获取失败，请检查网络或重新登录",
     0},
    {"info_catalogue",
     {"info"},
     "/cf/res/data.js",
     kAll,
     "[提示]【Quillet】信息初始化失败，请重新登录或联系管理员",
     0},
    {"claim_vip", {"claim"}, "/ams3.0.php", kNoAnswer, "领取失败，网络错误 80001", 0},
    {"claim_vip_garbage",
     {"claim"},
     "/ams3.0.php",
     {Misbehaviour::Garbage},
     // Raw answers are read up to their first NUL byte: garbage reads as no
     // answer or as an unreadable one, depending on where its first NUL falls.
     "领取失败，网络错误 80001|领取失败，解析错误 80002",
     0},
    {"claim_qzone",
     {"claim"},
     "/fcg-bin/fcg_qzact_lottery",
     kNoAnswer,
     "领取失败，网络错误 90001",
     0},
    {"claim_qzone_garbage",
     {"claim"},
     "/fcg-bin/fcg_qzact_lottery",
     {Misbehaviour::Garbage},
     "领取失败，解析错误 90002",
     0},
    {"claim_tgp", {"claim"}, "/index.php/cf/", kNoAnswer, "领取失败，绑定错误，错误码：2-2", 0},
    {"claim_tgp_garbage",
     {"claim"},
     "/index.php/cf/",
     {Misbehaviour::Garbage},
     "领取失败，绑定错误，错误码：2-2|领取失败，绑定错误，错误码：2-3",
     0},
    {"claim_date",
     {"claim"},
     "/CommArticle/app/reg/gdate.php",
     kAll,
     "[提示]一键领取结束，点击[Quillet]→[消费记录]可查近7天获得道具",
     0},
    // Regions that do not answer stop the scan (said in red); unreadable
    // answers are regions without a role.
    {"scan",
     {"scan"},
     "/cgi-bin/account/ajax_query.cgi",
     kNoAnswer,
     "[提示]区服查询服务连续3次无应答，已停止扫描其余大区，请稍后重试",
     1},
    {"scan_garbage",
     {"scan"},
     "/cgi-bin/account/ajax_query.cgi",
     {Misbehaviour::Garbage},
     "[提示]共扫描到 0 个角色",
     0},
    {"assets",
     {"assets"},
     "/cf/info_proxy/weapon_stat_info",
     kNoAnswer,
     "[提示]无资产信息或取出失败，请重试",
     1},
    {"assets_garbage",
     {"assets"},
     "/cf/info_proxy/weapon_stat_info",
     {Misbehaviour::Garbage},
     "[提示]我的资产查询接口变更，请联系管理员更新软件",
     1},
    {"spend", {"spend"}, "/cgi-bin/common", kAll, "[提示]无消费记录或取出失败，请重试", 1},
    {"stats",
     {"stats"},
     "/cgi-bin/cf/userinfo/userinfo.cgi",
     kAll,
     "[提示]无战绩信息或取出失败，请重试",
     1},
    {"ban",
     {"ban"},
     "/cf/a20150820fwg/getFeng.php",
     kAll,
     "[提示]封号查询失败，网络错误，请重试",
     1},
    {"activities",
     {"activities"},
     "/actcenter/queryActList",
     kAll,
     "[提示]无活动信息或取出失败",
     1},
    {"vouchers_offers",
     {"vouchers"},
     "/cf/res/month.js",
     kAll,
     "[提示]月券/聚豆取出失败，请重试",
     1},
    {"vouchers_judou",
     {"vouchers"},
     "/daoju/appmarket/daoju_promotion/cloud_ticket/",
     kAll,
     "[提示]聚豆查询失败，查询错误，错误码：1",
     1},
    {"vouchers_bangdou",
     {"vouchers"},
     "/user/scorePersonal/",
     kAll,
     "[提示]帮豆查询失败，查询错误，错误码：1",
     1},
    {"version", {"version"}, "/cf/res/ver.js", kNoAnswer, "网页访问失败，请重试", 1},
    {"version_garbage",
     {"version"},
     "/cf/res/ver.js",
     {Misbehaviour::Garbage},
     "版本获取失败，请重试",
     1},
};

const char* mode_name(Misbehaviour m) {
    switch (m) {
        case Misbehaviour::Stall:
            return "stall";
        case Misbehaviour::Reset:
            return "reset";
        case Misbehaviour::Empty:
            return "empty";
        case Misbehaviour::Garbage:
            return "garbage";
        default:
            return "other";
    }
}

// Test listings name the case, not the address of its table row.
void PrintTo(const Fault* f, std::ostream* os) {
    *os << f->name;
}

class FaultInjection : public CliAgainstSimulator,
                       public ::testing::WithParamInterface<const Fault*> {};

TEST_P(FaultInjection, CommandEndsWithItsFailureLine) {
    const Fault& f = *GetParam();
    for (Misbehaviour m : f.modes) {
        SCOPED_TRACE(mode_name(m));
        sb_.clear_misbehaviour();
        sb_.misbehave(f.path, m);
        // 42 stalled region requests at 0.6 s each is the slowest case.
        CliRun run = cli(f.args, 90);
        EXPECT_FALSE(run.timed_out) << run.dump();
        EXPECT_EQ(run.status, f.status) << run.dump();
        bool any = false;
        std::string alternatives = f.shown;
        for (size_t start = 0, bar; start <= alternatives.size(); start = bar + 1) {
            bar = alternatives.find('|', start);
            if (bar == std::string::npos) bar = alternatives.size();
            any = any || shows(run, alternatives.substr(start, bar - start));
        }
        EXPECT_TRUE(any) << "expected: " << f.shown << "\n" << run.dump();
        EXPECT_TRUE(run.unparsed.empty()) << run.dump();
    }
}

std::vector<const Fault*> all_faults() {
    std::vector<const Fault*> out;
    for (const auto& f : kFaults) out.push_back(&f);
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, FaultInjection, ::testing::ValuesIn(all_faults()),
                         [](const auto& p) { return std::string(p.param->name); });

}  // namespace
}  // namespace quillet::e2e
