// The CDKEY panel: captcha, role look-up, the refusals, the redemption and the
// paste rule, against the simulator (which checks the captcha, the proof values
// and the key).
#include "services/cdk_panel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/services/feature_bed.h"

namespace quillet {
namespace {

using testing::FeatureBed;
using testing::gbk;
using testing::utf8;
using Lines = std::vector<std::string>;

const char* const kAms = "/ams/ame/ame.php";
const char* const kRole = "/comm-cgi-bin/content_admin/activity_center/query_role.cgi";

void select_area(FeatureBed& bed, int64_t area) {
    const Control list = ctl::main::组合框_大区列表;
    for (int i = 0; i < bed.view.item_count(list); ++i)
        if (bed.view.item_value(list, i) == area) return bed.view.select_index(list, i);
    FAIL() << "no region " << area;
}

// The panel as its link opens it: a captcha and the role of the chosen region.
void open_panel(FeatureBed& bed, int64_t area) {
    show_panel(bed.s, ctl::main::外形框_CDK兑换);
    select_area(bed, area);
    refresh_captcha(bed.s);
    look_up_cdk_role(bed.s, bed.client);
}

TEST(CdkPanel, CaptchaShowsThePictureAndKeepsItsSession) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    refresh_captcha(bed.s);

    const auto asked = bed.requests("/getimage");
    ASSERT_EQ(asked.size(), 1u);
    // The token follows the aid's digits directly.
    ASSERT_EQ(asked[0].target.size(), std::string("/getimage?aid=21000104").size() + 17);
    EXPECT_TRUE(asked[0].target.starts_with("/getimage?aid=210001040."));
    EXPECT_TRUE(bed.view.state(ctl::main::图片框_验证码).picture.starts_with("\x89PNG"));
    EXPECT_FALSE(bed.s.state.verify_session.get().empty());

    bed.sb->misbehave("/getimage", sandbox::Misbehaviour::Empty);
    refresh_captcha(bed.s);
    EXPECT_TRUE(bed.view.state(ctl::main::图片框_验证码).picture.empty());
    EXPECT_TRUE(bed.s.state.verify_session.get().empty());
}

TEST(CdkPanel, RoleLookUpShowsTheNameOrSaysThereIsNone) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    select_area(bed, 318);
    look_up_cdk_role(bed.s, bed.client);
    EXPECT_EQ(bed.caption(ctl::main::标签_角色名), "霜之哀伤丶");
    EXPECT_EQ(bed.s.state.cdk_role.get().area_id, 318);
    EXPECT_TRUE(bed.messages().empty());

    // A region without a role: the name goes, the message says so, and the
    // role is no longer confirmed (its other values stay).
    select_area(bed, 361);
    look_up_cdk_role(bed.s, bed.client);
    EXPECT_EQ(bed.caption(ctl::main::标签_角色名), "");
    EXPECT_EQ(bed.messages(), (Lines{"提示|未查询到角色信息"}));
    const RoleInfo kept = bed.s.state.cdk_role.get();
    EXPECT_EQ(kept.area_id, 0);
    EXPECT_EQ(utf8(kept.role_name), "霜之哀伤丶");

    // No selection at all asks for region -1.
    bed.view.select_index(ctl::main::组合框_大区列表, -1);
    bed.mark();
    look_up_cdk_role(bed.s, bed.client);
    const auto asked = bed.requests(kRole);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].target.ends_with("&area=-1"));
    EXPECT_EQ(bed.messages(), (Lines{"提示|未查询到角色信息"}));
}

TEST(CdkPanel, RefusalsComeInOrderAndSendNothing) {
    struct Case {
        const char* name;
        std::string key, code;
        bool role;
        std::string message;
    };
    const Case cases[] = {
        {"nothing typed", "", "", false, "提示|请输入CDKEY"},
        {"no key", "", "ABCD", true, "提示|请输入CDKEY"},
        {"no captcha", "ABCDEFGH12345678", "", false, "提示|请输入验证码"},
        {"no role", "ABCDEFGH12345678", "ABCD", false, "|请选择大区确认角色信息"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        if (c.role) {
            select_area(bed, 318);
            look_up_cdk_role(bed.s, bed.client);
        }
        bed.view.set_text(ctl::main::编辑框_CDK, c.key);
        bed.view.set_text(ctl::main::编辑框_验证码, c.code);
        bed.mark();
        redeem_from_panel(bed.s, bed.client);
        bed.s.jobs.join_all();
        EXPECT_EQ(bed.messages(), (Lines{c.message}));
        EXPECT_TRUE(bed.sb->requests().empty());  // no redemption, no new captcha, no look-up
        EXPECT_EQ(bed.view.text(ctl::main::编辑框_CDK), c.key);
        EXPECT_EQ(bed.view.text(ctl::main::编辑框_验证码), c.code);
    }
}

TEST(CdkPanel, ARoleThatFailedItsLastLookUpRefusesRedemption) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    open_panel(bed, 318);
    select_area(bed, 361);
    look_up_cdk_role(bed.s, bed.client);
    bed.view.set_text(ctl::main::编辑框_CDK, bed.sb->working_cdkey());
    bed.view.set_text(ctl::main::编辑框_验证码, bed.sb->captcha_code());
    bed.mark();
    redeem_from_panel(bed.s, bed.client);
    EXPECT_EQ(bed.messages(), (Lines{"|请选择大区确认角色信息"}));
    EXPECT_TRUE(bed.requests(kAms).empty());
}

TEST(CdkPanel, RedemptionSendsTheKeyWithTheCaptchaSessionAndStartsOver) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    open_panel(bed, 318);
    const std::string key = bed.sb->working_cdkey();
    ASSERT_EQ(key.size(), 16u);
    const std::string verify = bed.s.state.verify_session.get();
    const std::string code = bed.sb->captcha_code();
    bed.view.set_text(ctl::main::编辑框_CDK, key);
    bed.view.set_text(ctl::main::编辑框_验证码, code);
    bed.mark();

    redeem_from_panel(bed.s, bed.client);
    bed.s.jobs.join_all();

    EXPECT_EQ(bed.messages(), (Lines{"提示|恭喜您，CDKEY兑换成功！获得：AK47-火麒麟(7天)"}));
    EXPECT_TRUE(bed.s.state.cdk_redeemed);
    EXPECT_EQ(bed.view.text(ctl::main::编辑框_CDK), "");
    EXPECT_EQ(bed.view.text(ctl::main::编辑框_验证码), "");
    const auto sent = bed.requests(kAms);
    ASSERT_EQ(sent.size(), 1u);
    const std::string& body = sent[0].body;
    const RoleInfo role = bed.s.state.cdk_role.get();
    EXPECT_TRUE(body.starts_with(
        "sArea=318&sRoleId=" + bed.s.state.qq + "&sCdKey=" + key + "&iUin=" + bed.s.state.qq +
        "&sVerifyCode=" + code + "&isVerifyCode=1&verifysession=" + verify +
        "&iVerifyId=21000104&iActivityId=8918&iFlowId=72798&g_tk=" + bed.s.state.g_tk +
        "&e_code=0&g_code=0&sServiceDepartment=group_f&sServiceType=cf&"));
    EXPECT_NE(body.find("&sPartition=318&sAreaName=" + gbk("广东电信一区") +
                        "&sRoleName=" + gbk("霜之哀伤丶") + "&md5str=" + role.md5str +
                        "&ams_checkparam=" + role.checkparam + "&checkparam=" + role.checkparam),
              std::string::npos);
    EXPECT_EQ(body.find('\r'), std::string::npos);
    EXPECT_NE(sent[0].header("Cookie").find("verifysession=" + verify), std::string::npos);
    EXPECT_NE(sent[0].header("Cookie").find("skey="), std::string::npos);
    // The session's own cookie does not take the captcha's session.
    EXPECT_EQ(bed.s.state.cookie.get().find("verifysession"), std::string::npos);

    // Afterwards a fresh captcha and a fresh look-up of the same region.
    EXPECT_EQ(bed.requests("/getimage").size(), 1u);
    EXPECT_EQ(bed.requests(kRole).size(), 1u);
    EXPECT_NE(bed.s.state.verify_session.get(), verify);
    EXPECT_EQ(bed.s.state.cdk_role.get().area_id, 318);

    // The same key again, with the new captcha: the service's refusal is shown.
    bed.view.set_text(ctl::main::编辑框_CDK, key);
    bed.view.set_text(ctl::main::编辑框_验证码, bed.sb->captcha_code());
    bed.mark();
    redeem_from_panel(bed.s, bed.client);
    bed.s.jobs.join_all();
    EXPECT_EQ(bed.messages(), (Lines{"提示|该CDKEY已被使用"}));
    EXPECT_FALSE(bed.s.state.cdk_redeemed);  // the module's code, not the words
}

TEST(CdkPanel, AWrongCaptchaShowsTheServicesReason) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    open_panel(bed, 318);
    bed.view.set_text(ctl::main::编辑框_CDK, bed.sb->working_cdkey());
    bed.view.set_text(ctl::main::编辑框_验证码, "ZZZZ");
    bed.mark();
    redeem_from_panel(bed.s, bed.client);
    bed.s.jobs.join_all();
    EXPECT_EQ(bed.messages(), (Lines{"提示|验证码错误，请重新输入"}));
    EXPECT_EQ(bed.view.text(ctl::main::编辑框_验证码), "");
    EXPECT_FALSE(bed.s.state.cdk_redeemed);  // the flow's ret
}

TEST(CdkPanel, AnUnreadAnswerKeepsTheKeyClearsTheCaptchaAndFetchesANewOne) {
    struct Case {
        sandbox::Misbehaviour m;
        const char* message;
    };
    const Case cases[] = {
        {sandbox::Misbehaviour::Empty, "提示|网络连接失败"},
        {sandbox::Misbehaviour::Reset, "提示|网络连接失败"},
        {sandbox::Misbehaviour::Garbage, "提示|解析失败，错误代码：90001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        FeatureBed bed;
        ASSERT_TRUE(bed.initialise());
        open_panel(bed, 318);
        const std::string old_picture = bed.view.state(ctl::main::图片框_验证码).picture;
        bed.view.set_text(ctl::main::编辑框_CDK, "ABCDEFGH12345678");
        bed.view.set_text(ctl::main::编辑框_验证码, bed.sb->captcha_code());
        bed.sb->misbehave(kAms, c.m);
        bed.mark();
        redeem_from_panel(bed.s, bed.client);
        bed.s.jobs.join_all();
        EXPECT_EQ(bed.messages(), (Lines{c.message}));
        EXPECT_EQ(bed.view.text(ctl::main::编辑框_CDK), "ABCDEFGH12345678");
        EXPECT_EQ(bed.view.text(ctl::main::编辑框_验证码), "");
        EXPECT_EQ(bed.requests("/getimage").size(), 1u);
        EXPECT_NE(bed.view.state(ctl::main::图片框_验证码).picture, old_picture);
    }
}

TEST(CdkPanel, AnAnswerForARegionNoLongerSelectedIsDropped) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    select_area(bed, 360);
    // The look-up for 移动专区 is slow; meanwhile the user picks 广东电信一区,
    // whose look-up answers at once.
    bed.sb->misbehave(kRole, sandbox::Misbehaviour::Delay, 600);
    bed.s.jobs.start([&bed] { look_up_cdk_role(bed.s, bed.client); });
    for (int i = 0; i < 200 && bed.requests(kRole).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(bed.requests(kRole).size(), 1u);
    bed.sb->misbehave(kRole, sandbox::Misbehaviour::None);
    select_area(bed, 318);
    look_up_cdk_role(bed.s, bed.client);
    bed.s.jobs.join_all();

    const RoleInfo role = bed.s.state.cdk_role.get();
    EXPECT_EQ(role.area_id, 318);
    EXPECT_EQ(utf8(role.role_name), "霜之哀伤丶");
    EXPECT_TRUE(role.checkparam.find("|318|") != std::string::npos);
    EXPECT_EQ(bed.caption(ctl::main::标签_角色名), "霜之哀伤丶");
}

TEST(CdkPanel, OverlappingLookUpsNeverLeaveAMixedRole) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    std::atomic<bool> done{false};
    std::atomic<int> mixed{0};
    std::atomic<int> seen{0};
    // A reader as the redemption reads: one copy, which must come from one answer.
    std::thread reader([&] {
        while (!done) {
            const RoleInfo r = bed.s.state.cdk_role.get();
            if (r.area_id == 0) continue;
            ++seen;
            const std::string area = "|" + std::to_string(r.area_id) + "|";
            const std::string name = utf8(r.role_name);
            const bool matches = (r.area_id == 318 && name == "霜之哀伤丶") ||
                                 (r.area_id == 360 && name == "飞霜小号") ||
                                 (r.area_id == 320 && name == "夜雨飞霜");
            if (!matches || r.checkparam.find(area) == std::string::npos) ++mixed;
        }
    });
    const int64_t areas[] = {318, 360, 320};
    for (int round = 0; round < 10; ++round) {
        for (int64_t area : areas) {
            select_area(bed, area);
            bed.s.jobs.start([&bed] { look_up_cdk_role(bed.s, bed.client); });
        }
    }
    bed.s.jobs.join_all();
    // The last pick decides, however the answers arrived.
    look_up_cdk_role(bed.s, bed.client);
    done = true;
    reader.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(seen, 0);
    const RoleInfo last = bed.s.state.cdk_role.get();
    EXPECT_EQ(last.area_id, 320);
    EXPECT_EQ(bed.caption(ctl::main::标签_角色名), "夜雨飞霜");
}

TEST(CdkPanel, AMessageBoxWaitingForTheUserHoldsUpNoOtherLookUp) {
    FeatureBed bed;
    ASSERT_TRUE(bed.initialise());
    std::mutex m;
    std::condition_variable cv;
    bool in_box = false, answered = false;
    bed.view.set_message_hook([&](const std::string&) {
        std::unique_lock lock(m);
        in_box = true;
        cv.notify_all();
        cv.wait(lock, [&] { return answered; });
    });
    // 326 has no role: its look-up stops in the message box until answered.
    select_area(bed, 326);
    bed.s.jobs.start([&bed] { look_up_cdk_role(bed.s, bed.client); });
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return in_box; }));
    }
    // Meanwhile the user picks 318: its look-up is shown without waiting.
    select_area(bed, 318);
    bed.s.jobs.start([&bed] { look_up_cdk_role(bed.s, bed.client); });
    bool shown = false;
    for (int i = 0; i < 500 && !shown; ++i) {
        shown = bed.s.state.cdk_role.get().area_id == 318 &&
                bed.caption(ctl::main::标签_角色名) == "霜之哀伤丶";
        if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    {
        std::lock_guard lock(m);
        answered = true;
    }
    cv.notify_all();
    bed.s.jobs.join_all();
    EXPECT_TRUE(shown) << "the second look-up waited for the first one's message box";
    EXPECT_EQ(bed.s.state.cdk_role.get().area_id, 318);
    EXPECT_EQ(bed.caption(ctl::main::标签_角色名), "霜之哀伤丶");
    EXPECT_EQ(bed.messages(), (Lines{"提示|未查询到角色信息"}));
}

TEST(CdkPaste, AnEmptyBoxTakesASixteenByteClipboardText) {
    struct Case {
        const char* name;
        std::string box, clipboard, after;
    };
    const Case cases[] = {
        {"16 characters", "", "ABCDEFGH12345678", "ABCDEFGH12345678"},
        {"15 characters", "", "ABCDEFGH1234567", ""},
        {"17 characters", "", "ABCDEFGH123456789", ""},
        {"box not empty", "X", "ABCDEFGH12345678", "X"},
        {"8 Chinese characters are 16 bytes", "", gbk("八个汉字八个汉字"), gbk("八个汉字八个汉字")},
        {"empty clipboard", "", "", ""},
    };
    // No network: the rule reads the box and the clipboard only.
    testing::SessionBed bed;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bed.view.set_text(ctl::main::编辑框_CDK, c.box);
        bed.view.set_clipboard(c.clipboard);
        EXPECT_EQ(paste_cdkey(bed.s), c.after != c.box);
        EXPECT_EQ(bed.view.text(ctl::main::编辑框_CDK), c.after);
    }
}

}  // namespace
}  // namespace quillet
