#include "session/initial_controls.h"

#include <string_view>

#include "text/gbk.h"

namespace quillet {

namespace {

using namespace ctl;

constexpr Rgb kLinkGrey{143, 143, 143};
constexpr Rgb kGreyText{0x80, 0x80, 0x80};
constexpr Rgb kAdGrey{0x77, 0x77, 0x77};

class Table {
  public:
    // The control's state, captions given in UTF-8.
    ControlState& add(Control c, std::string_view caption_utf8 = {}, Geometry g = {}) {
        ControlState s;
        s.caption = utf8_to_gbk(caption_utf8);
        s.geometry = g;
        entries_.emplace_back(c, std::move(s));
        return entries_.back().second;
    }
    ControlState& hidden(Control c, std::string_view caption_utf8 = {}, Geometry g = {}) {
        auto& s = add(c, caption_utf8, g);
        s.visible = false;
        return s;
    }
    ControlState& disabled(Control c, std::string_view caption_utf8 = {}, Geometry g = {}) {
        auto& s = add(c, caption_utf8, g);
        s.enabled = false;
        return s;
    }
    std::vector<std::pair<Control, ControlState>> take() { return std::move(entries_); }

  private:
    std::vector<std::pair<Control, ControlState>> entries_;
};

void add_items(ControlState& s, std::initializer_list<std::pair<std::string_view, int64_t>> items) {
    for (const auto& [text, value] : items) s.items.push_back(ListItem{utf8_to_gbk(text), value});
}

std::vector<std::pair<Control, ControlState>> main_window() {
    Table t;
    // Header, action buttons (disabled until the account is initialised).
    t.add(main::外形框_头像, {}, {16, 8, 172, 44});
    t.add(main::图片框_头像, {}, {1, 1, 42, 42});
    t.add(main::标签_头像_大区, "请绑定大区", {49, 2, 90, 20});
    t.add(main::图片框_CFVIP, {}, {134, 2, 20, 20});
    t.add(main::标签_头像_昵称, "未知", {49, 22, 120, 20});
    t.disabled(main::按钮_更换账号, "更换账号", {192, 16, 80, 32});
    t.disabled(main::按钮_绑定大区, "绑定大区", {278, 16, 80, 32});
    t.disabled(main::按钮_一键领取, "一键领取", {364, 16, 80, 32});
    t.disabled(main::按钮_手动活动, "手动活动", {450, 16, 80, 32});
    t.disabled(main::按钮_Quillet, "Quillet", {536, 16, 80, 32});
    t.hidden(main::外形框_提示, {}, {153, 36, 184, 42});
    t.add(main::标签_VIP等级, "VIP等级：LV 0", {5, 5, 174, 18});
    t.add(main::标签_成长值, "成长值：0/0", {5, 21, 174, 18});
    t.hidden(main::标签_到期时间, "到期时间：0", {5, 38, 174, 18});
    t.hidden(main::列表框_大区, {}, {278, 49, 122, 256});

    // Log, footer, ad column.
    t.add(main::外形框_日志, {}, {16, 60, 600, 366});
    t.add(main::超级编辑框_日志, {}, {5, 10, 588, 350});
    t.add(main::外形框_滚动广告, {}, {16, 427, 505, 22});
    t.add(main::标签_滚动广告, {}, {1, 5, 503, 12}).colour = colour::red;
    t.add(main::图片框_QQ群, {}, {526, 427, 90, 22});
    t.add(main::标签_横线, {}, {-1, 450, 617, 1});
    t.add(main::标签_当前版本, {}, {16, 456, 130, 24});
    t.disabled(main::超级链接框_CDK兑换, "CDK兑换", {403, 458, 50, 20}).colour = kLinkGrey;
    t.add(main::标签_竖线1, "|", {454, 456, 24, 24});
    t.disabled(main::超级链接框_支持, "支持", {479, 458, 50, 20}).colour = kLinkGrey;
    t.add(main::标签_竖线2, "|", {530, 456, 24, 24});
    t.disabled(main::超级链接框_反馈, "官网/反馈", {557, 458, 60, 20}).colour = kLinkGrey;
    t.add(main::图片框_广告, {}, {631, 16, 182, 182});
    t.add(main::外形框_广告, {}, {631, 201, 182, 250});
    const Control ads[] = {main::链接框_广告1, main::链接框_广告2, main::链接框_广告3,
                           main::链接框_广告4, main::链接框_广告5, main::链接框_广告6,
                           main::链接框_广告7, main::链接框_广告8, main::链接框_广告9,
                           main::链接框_广告10};
    for (int i = 0; i < 10; ++i)
        t.add(ads[i], "我要租此广告位", {4, 6 + 24 * i, 174, 22}).colour = kAdGrey;
    t.add(main::标签7, "广告如有欺骗性质，请联系", {648, 451, 152, 18}).colour = kGreyText;
    t.add(main::标签8, {}, {648, 464, 152, 18}).colour = kGreyText;
    t.add(main::超文本浏览框_统计, {}, {-1, -1, 1, 1});

    // The panels, designed away from the visible area.
    t.hidden(main::外形框_活动列表, {}, {620, 488, 600, 410});
    t.hidden(main::外形框_消费列表, {}, {16, 488, 600, 410});
    t.hidden(main::外形框_CDK兑换, {}, {620, 906, 600, 410});
    t.hidden(main::外形框_支持, {}, {16, 906, 600, 410});
    t.hidden(main::外形框_我的资产, {}, {620, 1319, 600, 410});
    t.hidden(main::外形框_战绩, {}, {16, 1320, 600, 410});
    t.hidden(main::外形框_月券, {}, {16, 1736, 600, 410});
    t.hidden(main::外形框_配置, {}, {620, 1736, 600, 410});

    // Panel heads.
    const Geometry hint{6, 9, 434, 24};
    const Geometry back{513, 8, 80, 26};
    const Geometry inner{5, 40, 588, 364};
    t.add(main::标签_活动列表提示, "所有 CF 相关平台活动列表，双击可打开活动网址", hint);
    t.add(main::按钮_活动列表返回日志, "返回", back);
    t.add(main::标签_消费记录提示, "只支持获取 7 天内的消费记录", hint);
    t.add(main::按钮_消费记录返回日志, "返回", back);
    t.add(main::标签_我的资产提示, "所有相同枪械只展示一把", hint);
    t.add(main::按钮_我的资产返回日志, "返回", back);
    t.add(main::标签_战绩提示, "战绩查询，总战绩、今日战绩", hint);
    t.add(main::按钮_战绩返回日志, "返回", back);
    t.add(main::外形框_战绩内层, {}, inner);
    t.add(main::标签_CDK兑换提示, "CDKEY兑换的游戏道具将在24小时内发到您的游戏内个人仓库", hint);
    t.add(main::按钮_CDK兑换返回日志, "返回", back);
    t.add(main::外形框_CDK兑换内层, {}, inner);
    t.add(main::标签_支持提示, "支持一下，1元、5元、10元 扫一扫输入金额转账支持工具发展", hint);
    t.add(main::按钮_支持返回日志, "返回", back);
    t.add(main::外形框_支持内层, {}, inner);
    t.add(main::标签_月券提示, "月券、聚豆、帮豆兑换道具", hint);
    t.add(main::按钮_月券返回日志, "返回", back);
    t.add(main::外形框_月券内层, {}, inner);
    t.add(main::标签_配置提示, "主玩模式、优先领取道具配置", hint);
    t.add(main::按钮_配置返回日志, "返回", back);
    t.add(main::外形框_配置内层, {}, inner);

    // Panel bodies.
    t.add(main::超级列表框_活动列表, {}, inner);
    t.add(main::超级列表框_消费列表, {}, inner);
    t.add(main::按钮_我的资产_主武器, "主武器", {233, 8, 60, 26});
    t.add(main::按钮_我的资产_副武器, "副武器", {297, 8, 60, 26});
    t.add(main::按钮_我的资产_近身武器, "近身武器", {361, 8, 60, 26});
    t.add(main::按钮_我的资产_投掷武器, "投掷武器", {425, 8, 60, 26});
    t.add(main::超级列表框_我的资产, {}, {5, 40, 588, 316});
    t.add(main::标签5, "CF点：", {6, 359, 40, 24});
    t.add(main::标签_我的资产_CF点, "0", {46, 359, 112, 24}).colour = Rgb{0xC2, 0x96, 0x67};
    t.add(main::标签6, "GP点：", {6, 382, 40, 24});
    t.add(main::标签_我的资产_GP点, "0", {46, 382, 112, 24}).colour = Rgb{0x4C, 0x90, 0x61};
    t.add(main::标签4, "总价值：", {435, 371, 48, 24});
    t.add(main::标签_我的资产_总价值, "￥ 0 RMB", {483, 371, 100, 24}).colour =
        Rgb{0xFF, 0x80, 0x00};

    t.add(main::标签_总战绩, "总战绩", {63, 53, 80, 24});
    t.add(main::标签_总战绩信息,
          "战绩：0胜0平0负\r\n\r\n胜率：0%\r\n\r\n杀敌/被杀：0/0\r\n\r\n杀敌/被杀比率：0%\r\n\r\n"
          "爆头数：0\r\n\r\n爆头率：0%\r\n\r\n杀死队友：0\r\n\r\n中途退出：0",
          {63, 85, 210, 184});
    t.add(main::标签_今日战绩, "今日战绩", {313, 53, 80, 24});
    t.add(main::标签_今日战绩信息,
          "获得经验值：0\r\n\r\n获得游戏币：0\r\n\r\n战绩：0胜0平0负\r\n\r\n杀敌/被杀：0/0\r\n\r\n"
          "杀敌/被杀比率：0%\r\n\r\n爆头数：0\r\n\r\n爆头率：0%",
          {313, 85, 210, 184});

    t.add(main::标签1, "CDKEY：", {154, 81, 56, 24});
    t.add(main::编辑框_CDK, {}, {218, 79, 184, 28});
    t.add(main::标签2, "选择大区：", {141, 121, 69, 24});
    t.add(main::组合框_大区列表, {}, {218, 124, 184, 20});
    t.add(main::标签_角色名, {}, {410, 121, 120, 24});
    t.add(main::标签3, "验证码：", {141, 161, 69, 24});
    t.add(main::编辑框_验证码, {}, {218, 161, 80, 28});
    t.add(main::超级链接框_更换验证码, "看不清，换一张", {314, 161, 96, 24});
    t.add(main::图片框_验证码, {}, {218, 201, 100, 40});
    t.add(main::按钮_确定兑换, "确定兑换", {272, 257, 100, 32});

    t.add(main::图片框_微信转账, {}, {97, 87, 160, 160});
    t.add(main::图片框_QQ转账, {}, {329, 87, 160, 160});
    t.add(main::标签_转账提示1, "微信转账(微笑着)", {137, 256, 100, 24});
    t.add(main::标签_转账提示2, "QQ转账(微笑着)", {369, 256, 100, 24});

    t.add(main::标签_月券_月券, "现有月券：0  暂不可用", {96, 69, 168, 24});
    t.disabled(main::组合框_月券_月券, {}, {96, 99, 225, 20});
    t.disabled(main::按钮_月券_月券兑换, "兑换", {341, 97, 80, 26});
    t.add(main::标签_月券_聚豆, "现有聚豆：0", {96, 143, 168, 24});
    t.add(main::组合框_月券_聚豆, {}, {96, 173, 225, 20});
    t.add(main::按钮_月券_聚豆兑换, "兑换", {341, 171, 80, 26});
    t.add(main::按钮_月券_聚豆抽奖, "抽奖", {438, 171, 80, 26});
    t.add(main::标签_月券_帮豆, "现有帮豆：0", {96, 212, 168, 24});
    t.add(main::组合框_月券_帮豆, {}, {96, 242, 225, 20});
    t.add(main::按钮_月券_帮豆兑换, "兑换", {341, 240, 80, 26});
    t.add(main::按钮_月券_帮豆抽奖, "抽奖", {438, 240, 80, 26});

    t.add(main::标签_配置_优先模式, "优先领取模式", {136, 69, 168, 24});
    add_items(t.add(main::组合框_配置_优先模式, {}, {136, 99, 225, 20}),
              {{"爆破模式", 0}, {"生化模式", 1}, {"挑战模式", 2}});
    t.add(main::标签_配置_优先道具, "优先领取道具", {136, 143, 168, 24});
    // The last item carries no value of its own.
    add_items(t.add(main::组合框_配置_优先道具, {}, {136, 173, 225, 20}), {{"大炮", 0},
                                                                           {"狙击", 1},
                                                                           {"AK47", 2},
                                                                           {"M4A1", 3},
                                                                           {"副武器", 4},
                                                                           {"近身武器", 5},
                                                                           {"投掷武器", 6},
                                                                           {"道具卡", 0}});
    t.add(main::按钮_配置_保存, "保存", {281, 240, 80, 26});

    // The "Quillet" menu; "助手配置" shows only when code makes it visible.
    t.hidden(menu::助手配置, "助手配置");
    t.add(menu::活动列表, "活动列表");
    t.add(menu::消费记录, "消费记录");
    t.add(menu::战绩查询, "战绩查询");
    t.add(menu::我的资产, "我的资产");
    t.add(menu::月券聚豆, "月券/聚豆");
    t.add(menu::扫描全区, "扫描全区");
    t.add(menu::封号查询, "封号查询");
    // The forty manual-activity slots wait, hidden, for the remote menu.
    for (int g = 1; g <= menu::kManualGroups; ++g)
        for (int p = 1; p <= menu::kManualPositions; ++p) {
            const Control slot = menu::manual_slot(g, p);
            const std::string_view name = slot.name;
            t.hidden(slot, name.substr(name.rfind('/') + 1));
        }
    return t.take();
}

std::vector<std::pair<Control, ControlState>> version_window() {
    Table t;
    t.add(version::外形框_检测, {}, {-1, -1, 382, 168});
    t.add(version::标签_提示, "新版本检测中，请稍后...", {60, 32, 253, 24});
    t.disabled(version::按钮_下载1, "下载地址1", {60, 67, 80, 26});
    t.disabled(version::按钮_下载2, "下载地址2", {148, 67, 80, 26});
    t.disabled(version::按钮_下载3, "下载地址3", {236, 67, 80, 26});
    t.hidden(version::按钮_重试, "重试", {148, 67, 80, 26});
    t.hidden(version::按钮_更新详情, "更新详情", {10, 114, 50, 20});
    return t.take();
}

std::vector<std::pair<Control, ControlState>> login_window() {
    Table t;
    t.add(login::超文本浏览框, {}, {-3, -3, 373, 300});
    return t.take();
}

std::vector<std::pair<Control, ControlState>> browser_window() {
    Table t;
    t.add(browser::选择夹, {}, {0, 0, 504, 288});
    t.hidden(browser::超文本浏览框, {}, {1, 24, 495, 256});
    return t.take();
}

std::vector<std::pair<Control, ControlState>> notice_window() {
    Table t;
    t.add(notice::标签_标题, "标题", {8, 5, 278, 32});
    t.add(notice::标签_内容, "  内容", {8, 40, 278, 72}).colour = Rgb{0x00, 0x88, 0xFF};
    t.add(notice::标签_横线, {}, {-1, 130, 320, 1});
    t.add(notice::超级链接框_查看详情, "查看详情", {226, 134, 60, 24});
    return t.take();
}

}  // namespace

std::vector<std::pair<Control, ControlState>> initial_controls(Window w) {
    switch (w) {
        case Window::Main:
            return main_window();
        case Window::Version:
            return version_window();
        case Window::Login:
            return login_window();
        case Window::ActivityBrowser:
            return browser_window();
        case Window::Notice:
            return notice_window();
    }
    return {};
}

}  // namespace quillet
