#pragma once
// The CDKEY panel (外形框_CDK兑换): the captcha, the role of the region picked in
// 组合框_大区列表 and the redemption. Its jobs run without lock_controls and may
// overlap each other; the role and the captcha session they share live in
// SessionState as values replaced whole under a lock.
#include "services/game_service_client.h"

namespace quillet {

struct Session;

// Fetches a new captcha picture into 图片框_验证码 and keeps the verifysession
// cookie that came with it (empty when the fetch failed).
void refresh_captcha(Session& s);

// Asks for the role of the region selected in 组合框_大区列表 and shows its
// name in 标签_角色名; a failure clears the confirmed region and says so in a
// message box. A result for a region that is no longer selected is dropped.
void look_up_cdk_role(Session& s, GameServiceClient& client);

// 按钮_确定兑换: refuses an empty key, an empty captcha and an unconfirmed role
// (in that order, sending nothing); otherwise redeems, shows the answer, clears
// the boxes and starts refresh_captcha and look_up_cdk_role on s.jobs. client
// must outlive those jobs.
void redeem_from_panel(Session& s, GameServiceClient& client);

// 编辑框_CDK got the focus: an empty box takes a clipboard text of exactly 16
// bytes. True when the box was filled.
bool paste_cdkey(Session& s);

}  // namespace quillet
