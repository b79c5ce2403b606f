#include "session/form_table.h"

#include <array>
#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "text/gbk.h"

namespace quillet {

namespace {

using namespace ctl;

using K = ControlKind;

constexpr ColourSpec kBlack{0x00, 0x00, 0x00};
constexpr ColourSpec kWhite{0xFF, 0xFF, 0xFF};
constexpr ColourSpec kRule{0xC9, 0xC9, 0xC9};  // rules and most frame borders
constexpr ColourSpec kHoverBorder{0x76, 0x76, 0x76};
constexpr ColourSpec kLinkGrey{0x8F, 0x8F, 0x8F};  // a footer link while disabled
constexpr ColourSpec kAdGrey{0x77, 0x77, 0x77};
constexpr ColourSpec kNoteGrey{0x80, 0x80, 0x80};
constexpr ColourSpec kRed{0xFF, 0x00, 0x00};
constexpr ColourSpec kNoticeGrey{0xF0, 0xF0, 0xF0};
constexpr ColourSpec kNoticeBlue{0x00, 0x88, 0xFF};

constexpr FontSpec kSimSun12{"SimSun", 12, false};
constexpr FontSpec kSimSunBold12{"SimSun", 12, true};
constexpr FontSpec kYaHei12{"Microsoft YaHei", 12, false};
constexpr FontSpec kYaHei14{"Microsoft YaHei", 14, false};
constexpr FontSpec kYaHeiBold14{"Microsoft YaHei", 14, true};
constexpr FontSpec kBold12{"", 12, true};

// The contact address under the ad column.
constexpr std::string_view kContactMail = "ad@quillet.invalid";

struct Box {
    int left = 0, top = 0, width = 0, height = 0;
};

// Fluent edits of the entry just added.
class Entry {
  public:
    explicit Entry(ControlSpec& s) : s_(s) {}
    Entry& hidden() {
        s_.visible = false;
        return *this;
    }
    Entry& disabled() {
        s_.enabled = false;
        return *this;
    }
    Entry& font(FontSpec f) {
        s_.font = f;
        return *this;
    }
    Entry& text(ColourSpec c) {
        s_.text_colour = c;
        return *this;
    }
    Entry& background(ColourSpec c) {
        s_.background = c;
        return *this;
    }
    Entry& border(ColourSpec c) {
        s_.border = c;
        return *this;
    }
    Entry& align(Align a) {
        s_.align = a;
        return *this;
    }
    Entry& vcentre() {
        s_.vertical_centre = true;
        return *this;
    }
    Entry& wrap() {
        s_.word_wrap = true;
        return *this;
    }
    Entry& picture(std::string_view file) {
        s_.picture = file;
        return *this;
    }
    Entry& arrow_cursor() {
        s_.arrow_cursor = true;
        return *this;
    }
    Entry& same_description_as(const ControlSpec& other) {
        s_.description = other.description;
        return *this;
    }
    Entry& describe(std::string_view utf8) {
        s_.description = utf8_to_gbk(utf8);
        return *this;
    }
    Entry& column(std::string_view caption_utf8, int width, Align a = Align::Left) {
        s_.columns.push_back(ColumnSpec{utf8_to_gbk(caption_utf8), width, a});
        return *this;
    }
    Entry& items(std::initializer_list<std::pair<std::string_view, int64_t>> list) {
        for (const auto& [text, value] : list)
            s_.items.push_back(ItemSpec{utf8_to_gbk(text), value});
        return *this;
    }

  private:
    ControlSpec& s_;
};

class Table {
  public:
    Entry add(Control c, std::string_view parent, ControlKind kind, Box b,
              std::string_view caption_utf8 = {}) {
        ControlSpec s;
        s.control = c;
        s.parent = parent;
        s.kind = kind;
        s.left = b.left;
        s.top = b.top;
        s.width = b.width;
        s.height = b.height;
        s.caption = utf8_to_gbk(caption_utf8);
        entries_.push_back(std::move(s));
        return Entry(entries_.back());
    }
    // A menu entry: no geometry of its own.
    Entry menu(Control c, std::string_view parent, ControlKind kind,
               std::string_view caption_utf8) {
        return add(c, parent, kind, {}, caption_utf8);
    }
    // An entry already added (the table is built from constants: a missing
    // one is a bug of this file).
    const ControlSpec& find(Control c) const {
        for (const ControlSpec& s : entries_)
            if (s.control == c) return s;
        std::abort();
    }
    std::vector<ControlSpec> take() { return std::move(entries_); }

  private:
    std::vector<ControlSpec> entries_;
};

constexpr std::string_view kClient{};

std::vector<ControlSpec> main_controls() {
    Table t;
    const std::string_view header = main::外形框_头像.name;
    const std::string_view hover = main::外形框_提示.name;
    const std::string_view log = main::外形框_日志.name;
    const std::string_view scroll = main::外形框_滚动广告.name;
    const std::string_view ads = main::外形框_广告.name;

    // The account header and the action buttons, disabled until the account
    // is initialised.
    t.add(main::外形框_头像, kClient, K::Frame, {16, 8, 172, 44})
        .border(kWhite)
        .describe("账号信息");
    t.add(main::按钮_更换账号, kClient, K::Button, {192, 16, 80, 32}, "更换账号")
        .disabled()
        .font(kYaHei12);
    t.add(main::按钮_绑定大区, kClient, K::Button, {278, 16, 80, 32}, "绑定大区")
        .disabled()
        .font(kYaHei12);
    t.add(main::按钮_一键领取, kClient, K::Button, {364, 16, 80, 32}, "一键领取")
        .disabled()
        .font(kYaHei12);
    t.add(main::按钮_手动活动, kClient, K::Button, {450, 16, 80, 32}, "手动活动")
        .disabled()
        .font(kYaHei12);
    t.add(main::按钮_Quillet, kClient, K::Button, {536, 16, 80, 32}, "Quillet")
        .disabled()
        .font(kYaHei12);
    t.add(main::外形框_提示, kClient, K::Frame, {153, 36, 184, 42})
        .hidden()
        .border(kHoverBorder)
        .describe("VIP信息");
    t.add(main::列表框_大区, kClient, K::ListBox, {278, 49, 122, 256})
        .hidden()
        .font(kYaHei14)
        .describe("选择大区");
    t.add(main::外形框_日志, kClient, K::Frame, {16, 60, 600, 366}).border(kRule).describe("日志");
    t.add(main::外形框_滚动广告, kClient, K::Frame, {16, 427, 505, 22})
        .border(kBlack)
        .describe("滚动广告");
    t.add(main::图片框_QQ群, kClient, K::PictureBox, {526, 427, 90, 22})
        .picture("qq_group.png")
        .describe("加入QQ群");
    t.add(main::标签_横线, kClient, K::Label, {-1, 450, 617, 1})
        .background(kRule)
        .describe("分隔线");
    t.add(main::标签_当前版本, kClient, K::Label, {16, 456, 130, 24}).describe("当前版本");
    t.add(main::超级链接框_CDK兑换, kClient, K::LinkLabel, {403, 458, 50, 20}, "CDK兑换")
        .disabled()
        .font(kSimSun12)
        .text(kLinkGrey);
    t.add(main::标签_竖线1, kClient, K::Label, {454, 456, 24, 24}, "|").align(Align::Centre);
    t.add(main::超级链接框_支持, kClient, K::LinkLabel, {479, 458, 50, 20}, "支持")
        .disabled()
        .font(kSimSun12)
        .text(kLinkGrey);
    t.add(main::标签_竖线2, kClient, K::Label, {530, 456, 24, 24}, "|").align(Align::Centre);
    t.add(main::超级链接框_反馈, kClient, K::LinkLabel, {557, 458, 60, 20}, "官网/反馈")
        .disabled()
        .font(kSimSun12)
        .text(kLinkGrey);
    t.add(main::图片框_广告, kClient, K::PictureBox, {631, 16, 182, 182})
        .picture("advert.png")
        .describe("广告");
    t.add(main::外形框_广告, kClient, K::Frame, {631, 201, 182, 250})
        .border(kRule)
        .describe("文字广告");
    t.add(main::标签7, kClient, K::Label, {648, 451, 152, 18}, "广告如有欺骗性质，请联系")
        .text(kNoteGrey)
        .align(Align::Centre);
    t.add(main::标签8, kClient, K::Label, {648, 464, 152, 18}, kContactMail)
        .text(kNoteGrey)
        .align(Align::Centre);
    t.add(main::超文本浏览框_统计, kClient, K::Browser, {-1, -1, 1, 1}).describe("访问统计");

    // The panels, designed away from the visible area.
    const std::pair<Control, Box> panels[] = {
        {main::外形框_活动列表, {620, 488, 600, 410}},
        {main::外形框_消费列表, {16, 488, 600, 410}},
        {main::外形框_CDK兑换, {620, 906, 600, 410}},
        {main::外形框_支持, {16, 906, 600, 410}},
        {main::外形框_我的资产, {620, 1319, 600, 410}},
        {main::外形框_战绩, {16, 1320, 600, 410}},
        {main::外形框_月券, {16, 1736, 600, 410}},
        {main::外形框_配置, {620, 1736, 600, 410}},
        {main::外形框_领取记录, {16, 2152, 600, 410}},
    };
    const char* const panel_names[] = {"活动列表", "消费记录", "CDK兑换",  "支持",    "我的资产",
                                       "战绩",     "月券",     "助手配置", "领取记录"};
    for (size_t i = 0; i < std::size(panels); ++i)
        t.add(panels[i].first, kClient, K::Frame, panels[i].second)
            .hidden()
            .border(kRule)
            .describe(panel_names[i]);

    // In the account header.
    t.add(main::图片框_头像, header, K::PictureBox, {1, 1, 42, 42})
        .picture("avatar.gif")
        .describe("头像");
    t.add(main::标签_头像_大区, header, K::Label, {49, 2, 90, 20}, "请绑定大区");
    t.add(main::图片框_CFVIP, header, K::PictureBox, {134, 2, 20, 20})
        .picture("vip0.png")
        .describe("CF会员");
    t.add(main::标签_头像_昵称, header, K::Label, {49, 22, 120, 20}, "未知");

    // In the VIP hover box.
    t.add(main::标签_VIP等级, hover, K::Label, {5, 5, 174, 18}, "VIP等级：LV 0");
    t.add(main::标签_成长值, hover, K::Label, {5, 21, 174, 18}, "成长值：0/0");
    t.add(main::标签_到期时间, hover, K::Label, {5, 38, 174, 18}, "到期时间：0").hidden();

    t.add(main::超级编辑框_日志, log, K::RichText, {5, 10, 588, 350})
        .arrow_cursor()
        .describe("日志");
    t.add(main::标签_滚动广告, scroll, K::Label, {1, 5, 503, 12})
        .text(kRed)
        .align(Align::Centre)
        .describe("滚动广告");

    const Control ad_links[] = {main::链接框_广告1, main::链接框_广告2, main::链接框_广告3,
                                main::链接框_广告4, main::链接框_广告5, main::链接框_广告6,
                                main::链接框_广告7, main::链接框_广告8, main::链接框_广告9,
                                main::链接框_广告10};
    for (int i = 0; i < 10; ++i)
        t.add(ad_links[i], ads, K::LinkLabel, {4, 6 + 24 * i, 174, 22}, "我要租此广告位")
            .text(kAdGrey);

    // Panel heads: hint, return button and, for most, an inner frame.
    const Box hint{6, 9, 434, 24};
    const Box back{513, 8, 80, 26};
    const Box inner{5, 40, 588, 364};
    struct Head {
        Control panel, hint, back;
        const char* caption;
        std::optional<Control> inner;
    };
    const Head heads[] = {
        {main::外形框_活动列表, main::标签_活动列表提示, main::按钮_活动列表返回日志,
         "所有 CF 相关平台活动列表，双击可打开活动网址", std::nullopt},
        {main::外形框_消费列表, main::标签_消费记录提示, main::按钮_消费记录返回日志,
         "只支持获取 7 天内的消费记录", std::nullopt},
        {main::外形框_我的资产, main::标签_我的资产提示, main::按钮_我的资产返回日志,
         "所有相同枪械只展示一把", std::nullopt},
        {main::外形框_战绩, main::标签_战绩提示, main::按钮_战绩返回日志,
         "战绩查询，总战绩、今日战绩", main::外形框_战绩内层},
        {main::外形框_CDK兑换, main::标签_CDK兑换提示, main::按钮_CDK兑换返回日志,
         "CDKEY兑换的游戏道具将在24小时内发到您的游戏内个人仓库", main::外形框_CDK兑换内层},
        {main::外形框_支持, main::标签_支持提示, main::按钮_支持返回日志,
         "支持一下，1元、5元、10元 扫一扫输入金额转账支持工具发展", main::外形框_支持内层},
        {main::外形框_月券, main::标签_月券提示, main::按钮_月券返回日志,
         "月券、聚豆、帮豆兑换道具", main::外形框_月券内层},
        {main::外形框_配置, main::标签_配置提示, main::按钮_配置返回日志,
         "主玩模式、优先领取道具配置", main::外形框_配置内层},
        {main::外形框_领取记录, main::标签_领取记录提示, main::按钮_领取记录返回日志,
         "最近7天的领取记录", std::nullopt},
    };
    for (const Head& h : heads) {
        t.add(h.hint, h.panel.name, K::Label, hint, h.caption);
        t.add(h.back, h.panel.name, K::Button, back, "返回");
        if (h.inner)
            t.add(*h.inner, h.panel.name, K::Frame, inner)
                .border(kRule)
                .same_description_as(t.find(h.panel));
    }

    // Panel bodies.
    t.add(main::超级列表框_活动列表, main::外形框_活动列表.name, K::ListView, inner)
        .column("活动标题", 200)
        .column("活动平台", 80, Align::Right)
        .column("剩余天数", 70, Align::Centre)
        .column("活动道具", 200)
        .column("链接", 0)
        .describe("活动列表");
    t.add(main::超级列表框_消费列表, main::外形框_消费列表.name, K::ListView, inner)
        .column("道具名称", 260)
        .column("道具价格", 120)
        .column("道具购买时间", 160, Align::Right)
        .describe("消费记录");
    t.add(main::超级列表框_领取记录, main::外形框_领取记录.name, K::ListView, inner)
        .column("时间", 130)
        .column("活动", 120)
        .column("道具", 120)
        .column("结果", 70)
        .column("信息", 140)
        .describe("领取记录");

    const std::string_view assets = main::外形框_我的资产.name;
    t.add(main::按钮_我的资产_主武器, assets, K::Button, {233, 8, 60, 26}, "主武器");
    t.add(main::按钮_我的资产_副武器, assets, K::Button, {297, 8, 60, 26}, "副武器");
    t.add(main::按钮_我的资产_近身武器, assets, K::Button, {361, 8, 60, 26}, "近身武器");
    t.add(main::按钮_我的资产_投掷武器, assets, K::Button, {425, 8, 60, 26}, "投掷武器");
    t.add(main::超级列表框_我的资产, assets, K::ListView, {5, 40, 588, 316})
        .column("武器名称", 260)
        .column("剩余期限", 150)
        .column("价格(CF点)", 120, Align::Right)
        .describe("我的资产");
    t.add(main::标签5, assets, K::Label, {6, 359, 40, 24}, "CF点：");
    t.add(main::标签_我的资产_CF点, assets, K::Label, {46, 359, 112, 24}, "0")
        .text({0xC2, 0x96, 0x67});
    t.add(main::标签6, assets, K::Label, {6, 382, 40, 24}, "GP点：");
    t.add(main::标签_我的资产_GP点, assets, K::Label, {46, 382, 112, 24}, "0")
        .text({0x4C, 0x90, 0x61});
    t.add(main::标签4, assets, K::Label, {435, 371, 48, 24}, "总价值：");
    t.add(main::标签_我的资产_总价值, assets, K::Label, {483, 371, 100, 24}, "￥ 0 RMB")
        .text({0xFF, 0x80, 0x00});

    const std::string_view war = main::外形框_战绩内层.name;
    t.add(main::标签_总战绩, war, K::Label, {63, 53, 80, 24}, "总战绩").font(kBold12);
    t.add(main::标签_总战绩信息, war, K::Label, {63, 85, 210, 184},
          "战绩：0胜0平0负\r\n\r\n胜率：0%\r\n\r\n杀敌/被杀：0/0\r\n\r\n杀敌/被杀比率：0%\r\n\r\n"
          "爆头数：0\r\n\r\n爆头率：0%\r\n\r\n杀死队友：0\r\n\r\n中途退出：0")
        .wrap();
    t.add(main::标签_今日战绩, war, K::Label, {313, 53, 80, 24}, "今日战绩").font(kBold12);
    t.add(main::标签_今日战绩信息, war, K::Label, {313, 85, 210, 184},
          "获得经验值：0\r\n\r\n获得游戏币：0\r\n\r\n战绩：0胜0平0负\r\n\r\n杀敌/被杀：0/0\r\n\r\n"
          "杀敌/被杀比率：0%\r\n\r\n爆头数：0\r\n\r\n爆头率：0%")
        .wrap();

    const std::string_view cdk = main::外形框_CDK兑换内层.name;
    t.add(main::标签1, cdk, K::Label, {154, 81, 56, 24}, "CDKEY：").align(Align::Right);
    t.add(main::编辑框_CDK, cdk, K::EditBox, {218, 79, 184, 28}).describe("CDKEY");
    t.add(main::标签2, cdk, K::Label, {141, 121, 69, 24}, "选择大区：").align(Align::Right);
    t.add(main::组合框_大区列表, cdk, K::DropDown, {218, 124, 184, 20}).describe("选择大区");
    t.add(main::标签_角色名, cdk, K::Label, {410, 121, 120, 24}).describe("角色名");
    t.add(main::标签3, cdk, K::Label, {141, 161, 69, 24}, "验证码：").align(Align::Right);
    t.add(main::编辑框_验证码, cdk, K::EditBox, {218, 161, 80, 28}).describe("验证码");
    t.add(main::超级链接框_更换验证码, cdk, K::LinkLabel, {314, 161, 96, 24}, "看不清，换一张");
    t.add(main::图片框_验证码, cdk, K::PictureBox, {218, 201, 100, 40}).describe("验证码图片");
    t.add(main::按钮_确定兑换, cdk, K::Button, {272, 257, 100, 32}, "确定兑换");

    const std::string_view support = main::外形框_支持内层.name;
    t.add(main::图片框_微信转账, support, K::PictureBox, {97, 87, 160, 160})
        .picture("donate_wechat.png")
        .describe("微信转账二维码");
    t.add(main::图片框_QQ转账, support, K::PictureBox, {329, 87, 160, 160})
        .picture("donate_qq.png")
        .describe("QQ转账二维码");
    t.add(main::标签_转账提示1, support, K::Label, {137, 256, 100, 24}, "微信转账(微笑着)")
        .align(Align::Centre);
    t.add(main::标签_转账提示2, support, K::Label, {369, 256, 100, 24}, "QQ转账(微笑着)")
        .align(Align::Centre);

    const std::string_view vouchers = main::外形框_月券内层.name;
    t.add(main::标签_月券_月券, vouchers, K::Label, {96, 69, 168, 24}, "现有月券：0  暂不可用")
        .font(kBold12);
    t.add(main::组合框_月券_月券, vouchers, K::DropDown, {96, 99, 225, 20})
        .disabled()
        .describe("月券可兑换道具");
    t.add(main::按钮_月券_月券兑换, vouchers, K::Button, {341, 97, 80, 26}, "兑换").disabled();
    t.add(main::标签_月券_聚豆, vouchers, K::Label, {96, 143, 168, 24}, "现有聚豆：0")
        .font(kBold12);
    t.add(main::组合框_月券_聚豆, vouchers, K::DropDown, {96, 173, 225, 20})
        .describe("聚豆可兑换道具");
    t.add(main::按钮_月券_聚豆兑换, vouchers, K::Button, {341, 171, 80, 26}, "兑换");
    t.add(main::按钮_月券_聚豆抽奖, vouchers, K::Button, {438, 171, 80, 26}, "抽奖");
    t.add(main::标签_月券_帮豆, vouchers, K::Label, {96, 212, 168, 24}, "现有帮豆：0")
        .font(kBold12);
    t.add(main::组合框_月券_帮豆, vouchers, K::DropDown, {96, 242, 225, 20})
        .describe("帮豆可兑换道具");
    t.add(main::按钮_月券_帮豆兑换, vouchers, K::Button, {341, 240, 80, 26}, "兑换");
    t.add(main::按钮_月券_帮豆抽奖, vouchers, K::Button, {438, 240, 80, 26}, "抽奖");

    const std::string_view config = main::外形框_配置内层.name;
    t.add(main::标签_配置_优先模式, config, K::Label, {136, 69, 168, 24}, "优先领取模式")
        .font(kBold12);
    t.add(main::组合框_配置_优先模式, config, K::DropDown, {136, 99, 225, 20})
        .items({{"爆破模式", 0}, {"生化模式", 1}, {"挑战模式", 2}})
        .describe("优先领取模式");
    t.add(main::标签_配置_优先道具, config, K::Label, {136, 143, 168, 24}, "优先领取道具")
        .font(kBold12);
    // 道具卡 takes the next value, 7, so that a saved choice of it comes back
    // selected when the panel opens again.
    t.add(main::组合框_配置_优先道具, config, K::DropDown, {136, 173, 225, 20})
        .items({{"大炮", 0},
                {"狙击", 1},
                {"AK47", 2},
                {"M4A1", 3},
                {"副武器", 4},
                {"近身武器", 5},
                {"投掷武器", 6},
                {"道具卡", 7}})
        .describe("优先领取道具");
    t.add(main::按钮_配置_保存, config, K::Button, {281, 240, 80, 26}, "保存");

    // The "Quillet" menu; "助手配置" shows only when code makes it visible.
    t.menu(menu::quillet, kClient, K::Menu, "Quillet");
    const std::string_view quillet = menu::quillet.name;
    t.menu(menu::助手配置, quillet, K::MenuItem, "助手配置").hidden();
    t.menu(menu::活动列表, quillet, K::MenuItem, "活动列表");
    t.menu(menu::消费记录, quillet, K::MenuItem, "消费记录");
    t.menu(menu::战绩查询, quillet, K::MenuItem, "战绩查询");
    t.menu(menu::我的资产, quillet, K::MenuItem, "我的资产");
    t.menu(menu::月券聚豆, quillet, K::MenuItem, "月券/聚豆");
    t.menu(menu::扫描全区, quillet, K::MenuItem, "扫描全区");
    t.menu(menu::封号查询, quillet, K::MenuItem, "封号查询");
    t.menu(menu::领取记录, quillet, K::MenuItem, "领取记录");

    // The "手动活动" menu: four sub-menus whose forty slots wait, hidden, for
    // the remote menu.
    t.menu(menu::manual, kClient, K::Menu, "手动活动");
    for (int g = 1; g <= menu::kManualGroups; ++g) {
        const Control group = menu::manual_group(g);
        const std::string_view group_name = group.name.substr(group.name.rfind('/') + 1);
        t.menu(group, menu::manual.name, K::SubMenu, group_name);
        for (int p = 1; p <= menu::kManualPositions; ++p) {
            const Control slot = menu::manual_slot(g, p);
            t.menu(slot, group.name, K::MenuItem, slot.name.substr(slot.name.rfind('/') + 1))
                .hidden();
        }
    }
    return t.take();
}

std::vector<ControlSpec> version_controls() {
    Table t;
    const std::string_view frame = version::外形框_检测.name;
    t.add(version::外形框_检测, kClient, K::Frame, {-1, -1, 382, 168})
        .border(kBlack)
        .describe("版本检测");
    t.add(version::标签_提示, frame, K::Label, {60, 32, 253, 24}, "新版本检测中，请稍后...")
        .font(kSimSunBold12)
        .vcentre();
    t.add(version::按钮_下载1, frame, K::Button, {60, 67, 80, 26}, "下载地址1")
        .disabled()
        .font(kSimSun12);
    t.add(version::按钮_下载2, frame, K::Button, {148, 67, 80, 26}, "下载地址2")
        .disabled()
        .font(kSimSun12);
    t.add(version::按钮_下载3, frame, K::Button, {236, 67, 80, 26}, "下载地址3")
        .disabled()
        .font(kSimSun12);
    t.add(version::按钮_重试, frame, K::Button, {148, 67, 80, 26}, "重试").hidden().font(kSimSun12);
    t.add(version::按钮_更新详情, frame, K::LinkLabel, {10, 114, 50, 20}, "更新详情")
        .hidden()
        .font(kSimSun12);
    return t.take();
}

std::vector<ControlSpec> login_controls() {
    Table t;
    t.add(login::超文本浏览框, kClient, K::Browser, {-3, -3, 373, 300}).describe("QQ登录");
    return t.take();
}

std::vector<ControlSpec> browser_controls() {
    Table t;
    t.add(browser::选择夹, kClient, K::TabStrip, {0, 0, 504, 288}).describe("活动页面");
    t.add(browser::超文本浏览框, kClient, K::Browser, {1, 24, 495, 256})
        .hidden()
        .describe("活动页面");
    return t.take();
}

std::vector<ControlSpec> notice_controls() {
    Table t;
    t.add(notice::标签_标题, kClient, K::Label, {8, 5, 278, 32}, "标题")
        .font(kYaHeiBold14)
        .background(kNoticeGrey)
        .align(Align::Centre);
    t.add(notice::标签_内容, kClient, K::Label, {8, 40, 278, 72}, "  内容")
        .font(kYaHei12)
        .text(kNoticeBlue)
        .background(kNoticeGrey)
        .wrap();
    t.add(notice::标签_横线, kClient, K::Label, {-1, 130, 320, 1})
        .background(kRule)
        .describe("分隔线");
    t.add(notice::超级链接框_查看详情, kClient, K::LinkLabel, {226, 134, 60, 24}, "查看详情")
        .font(kYaHei12)
        .background(kNoticeGrey);
    return t.take();
}

WindowSpec window(Window w, std::string_view title_utf8, int width, int height, bool modal) {
    WindowSpec s;
    s.window = w;
    s.name = window_name(w);
    s.title = utf8_to_gbk(title_utf8);
    s.width = width;
    s.height = height;
    s.modal = modal;
    return s;
}

struct Form {
    WindowSpec window;
    std::vector<ControlSpec> controls;
};

const std::array<Form, 5>& forms() {
    // Indexed by Window. The titles carry no web address: the vendor's host
    // can be changed in the configuration file, so the windows' creation
    // handlers append it.
    static const std::array<Form, 5> all = [] {
        std::array<Form, 5> f;
        f[static_cast<size_t>(Window::Version)] = {
            window(Window::Version, "Quillet - 版本检测v", 380, 166, true), version_controls()};
        f[static_cast<size_t>(Window::Login)] = {
            window(Window::Login, "Quillet - QQ登录", 375, 320, true), login_controls()};
        WindowSpec main_window =
            window(Window::Main, "Quillet - 打造专业的CF工具，永久免费", 830, 512, true);
        main_window.background = kWhite;
        f[static_cast<size_t>(Window::Main)] = {std::move(main_window), main_controls()};
        f[static_cast<size_t>(Window::ActivityBrowser)] = {
            window(Window::ActivityBrowser, "Quillet - 活动浏览器", 514, 328, false),
            browser_controls()};
        WindowSpec notice_window = window(Window::Notice, "提示", 300, 190, false);
        notice_window.tool_window = true;
        notice_window.background = kNoticeGrey;
        f[static_cast<size_t>(Window::Notice)] = {std::move(notice_window), notice_controls()};
        return f;
    }();
    return all;
}

}  // namespace

const WindowSpec& form_window(Window w) {
    return forms()[static_cast<size_t>(w)].window;
}

const std::vector<ControlSpec>& form_controls(Window w) {
    return forms()[static_cast<size_t>(w)].controls;
}

const ControlSpec* form_control(Control c) {
    for (const ControlSpec& s : form_controls(c.window))
        if (s.control == c) return &s;
    return nullptr;
}

const std::vector<Window>& form_windows() {
    static const std::vector<Window> all = {Window::Version, Window::Login, Window::Main,
                                            Window::ActivityBrowser, Window::Notice};
    return all;
}

}  // namespace quillet
