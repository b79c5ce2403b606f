// The form table: one entry per control constant, containers before their
// contents, names that agree with kinds, the layout as designed, and the
// recording view starting each window from it.
#include "session/form_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "tests/support/gbk_literal.h"
#include "tests/support/recording_view.h"

namespace quillet::testing {
namespace {

using namespace ctl;

using Key = std::pair<Window, std::string>;

// Every control constant declared in session/controls.h, and the forty
// manual-menu slots, which have no constants of their own.
std::set<Key> declared_controls() {
    std::ifstream in(std::string(QUILLET_SOURCE_DIR) + "/session/controls.h");
    EXPECT_TRUE(in) << "session/controls.h not found";
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    const std::map<std::string, Window> windows = {{"Version", Window::Version},
                                                   {"Login", Window::Login},
                                                   {"Main", Window::Main},
                                                   {"ActivityBrowser", Window::ActivityBrowser},
                                                   {"Notice", Window::Notice}};
    std::set<Key> found;
    const std::regex decl(R"re(inline constexpr Control \S+\{Window::(\w+), "([^"]+)"\})re");
    for (auto it = std::sregex_iterator(source.begin(), source.end(), decl);
         it != std::sregex_iterator(); ++it) {
        const auto w = windows.find((*it)[1].str());
        EXPECT_NE(w, windows.end()) << (*it)[0].str();
        if (w == windows.end()) continue;
        EXPECT_TRUE(found.insert({w->second, (*it)[2].str()}).second) << "twice: " << (*it)[2];
    }
    for (int g = 1; g <= menu::kManualGroups; ++g)
        for (int p = 1; p <= menu::kManualPositions; ++p)
            found.insert({Window::Main, std::string(menu::manual_slot(g, p).name)});
    return found;
}

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The kind a control's name announces; nullopt for names without a prefix
// (the menus).
std::optional<ControlKind> kind_of_name(std::string_view name) {
    // Longer prefixes first: 超级列表框_ also ends in 列表框_.
    const std::pair<std::string_view, ControlKind> prefixes[] = {
        {"超级列表框_", ControlKind::ListView},  {"超级编辑框_", ControlKind::RichText},
        {"超级链接框_", ControlKind::LinkLabel}, {"超文本浏览框", ControlKind::Browser},
        {"链接框_", ControlKind::LinkLabel},     {"列表框_", ControlKind::ListBox},
        {"编辑框_", ControlKind::EditBox},       {"组合框_", ControlKind::DropDown},
        {"图片框_", ControlKind::PictureBox},    {"外形框_", ControlKind::Frame},
        {"按钮_", ControlKind::Button},          {"标签", ControlKind::Label},
        {"选择夹", ControlKind::TabStrip},
    };
    for (const auto& [prefix, kind] : prefixes)
        if (starts_with(name, prefix)) return kind;
    return std::nullopt;
}

TEST(FormTable, EveryControlConstantHasExactlyOneEntry) {
    const std::set<Key> declared = declared_controls();
    ASSERT_GT(declared.size(), 150u);
    std::set<Key> listed;
    for (Window w : form_windows()) {
        EXPECT_EQ(form_window(w).window, w);
        EXPECT_EQ(form_window(w).name, window_name(w));
        for (const ControlSpec& s : form_controls(w)) {
            const Key k{w, std::string(s.control.name)};
            EXPECT_EQ(s.control.window, w) << s.control.name;
            EXPECT_TRUE(listed.insert(k).second) << "listed twice: " << s.control.name;
            EXPECT_TRUE(declared.count(k)) << "no constant: " << s.control.name;
            EXPECT_EQ(form_control(s.control), &s) << s.control.name;
        }
    }
    for (const Key& k : declared)
        EXPECT_TRUE(listed.count(k))
            << "not in the table: " << window_name(k.first) << " " << k.second;
    EXPECT_EQ(form_control(Control{Window::Main, "按钮_没有"}), nullptr);
}

TEST(FormTable, ContainersExistAndComeBeforeWhatTheyHold) {
    for (Window w : form_windows()) {
        std::map<std::string_view, ControlKind> seen;
        bool menus_started = false;
        for (const ControlSpec& s : form_controls(w)) {
            SCOPED_TRACE(std::string(s.control.name));
            const bool menu_entry = s.kind == ControlKind::Menu || s.kind == ControlKind::SubMenu ||
                                    s.kind == ControlKind::MenuItem;
            // Menus, sub-menus and their items come last.
            if (menu_entry) menus_started = true;
            EXPECT_EQ(menu_entry, menus_started);
            if (s.parent.empty()) {
                EXPECT_NE(s.kind, ControlKind::MenuItem);
                EXPECT_NE(s.kind, ControlKind::SubMenu);
            } else {
                auto parent = seen.find(s.parent);
                ASSERT_NE(parent, seen.end()) << "container missing or later: " << s.parent;
                if (menu_entry) {
                    EXPECT_TRUE(parent->second == ControlKind::Menu ||
                                (parent->second == ControlKind::SubMenu &&
                                 s.kind == ControlKind::MenuItem));
                } else {
                    EXPECT_EQ(parent->second, ControlKind::Frame);
                }
            }
            seen.emplace(s.control.name, s.kind);
        }
    }
}

TEST(FormTable, NamesAgreeWithKindsAndUncaptionedControlsAreDescribed) {
    for (Window w : form_windows())
        for (const ControlSpec& s : form_controls(w)) {
            SCOPED_TRACE(std::string(s.control.name));
            const auto named = kind_of_name(s.control.name);
            if (s.control == version::按钮_更新详情) {
                EXPECT_EQ(s.kind, ControlKind::LinkLabel);  // a button by name only
            } else if (named) {
                EXPECT_EQ(s.kind, *named);
            } else {
                // Menus by name: "Quillet", "手动活动", then "menu/…" entries.
                const auto slashes = std::count(s.control.name.begin(), s.control.name.end(), '/');
                const bool manual = starts_with(s.control.name, "手动活动");
                if (slashes == 0) {
                    EXPECT_EQ(s.kind, ControlKind::Menu);
                }
                if (manual && slashes == 1) {
                    EXPECT_EQ(s.kind, ControlKind::SubMenu);
                }
                if (slashes >= 2 || (!manual && slashes == 1)) {
                    EXPECT_EQ(s.kind, ControlKind::MenuItem);
                }
            }
            if (s.caption.empty()) {
                EXPECT_FALSE(s.description.empty()) << "no screen-reader text";
            }
            EXPECT_EQ(s.columns.empty(), s.kind != ControlKind::ListView);
            if (!s.items.empty()) {
                EXPECT_EQ(s.kind, ControlKind::DropDown);
            }
            if (!s.picture.empty()) {
                EXPECT_EQ(s.kind, ControlKind::PictureBox);
            }
            if (s.border) {
                EXPECT_EQ(s.kind, ControlKind::Frame);
            }
            if (s.kind == ControlKind::Frame) {
                EXPECT_TRUE(s.border);
            }
        }
}

TEST(FormTable, VisibleControlsFitInsideTheirFrames) {
    for (Window w : form_windows()) {
        for (const ControlSpec& s : form_controls(w)) {
            if (s.parent.empty() || !s.visible || s.kind == ControlKind::MenuItem ||
                s.kind == ControlKind::SubMenu)
                continue;
            const ControlSpec* frame = form_control(Control{w, s.parent});
            ASSERT_NE(frame, nullptr);
            SCOPED_TRACE(std::string(s.control.name));
            EXPECT_GE(s.left, 0);
            EXPECT_GE(s.top, 0);
            EXPECT_LE(s.left + s.width, frame->width);
            EXPECT_LE(s.top + s.height, frame->height);
        }
    }
}

TEST(FormTable, EveryPictureNamedIsDrawnAndListedForTheResources) {
    const std::string dir = std::string(QUILLET_SOURCE_DIR) + "/ui/pictures/";
    std::ifstream qrc_file(dir + "pictures.qrc");
    ASSERT_TRUE(qrc_file) << "ui/pictures/pictures.qrc missing";
    std::stringstream qrc;
    qrc << qrc_file.rdbuf();
    EXPECT_NE(qrc.str().find("prefix=\"/pictures\""), std::string::npos);
    int pictures = 0;
    for (Window w : form_windows())
        for (const ControlSpec& s : form_controls(w)) {
            if (s.picture.empty()) continue;
            ++pictures;
            const std::string name(s.picture);
            EXPECT_TRUE(std::ifstream(dir + name).good()) << name;
            EXPECT_NE(qrc.str().find("<file>" + name + "</file>"), std::string::npos) << name;
        }
    EXPECT_EQ(pictures, 6);  // avatar, badge, QQ group, advertisement, two QR codes
    for (int level = 0; level <= 6; ++level) {
        const std::string name = "vip" + std::to_string(level) + ".png";
        EXPECT_NE(qrc.str().find("<file>" + name + "</file>"), std::string::npos) << name;
    }
}

TEST(FormTable, SpotChecksAgainstTheDesign) {
    struct Case {
        Control control;
        int left, top, width, height;
        const char* caption;
        FontSpec font;
        std::optional<ColourSpec> text;
        Align align;
    };
    const FontSpec none{};
    const Case cases[] = {
        {main::按钮_Quillet,
         536,
         16,
         80,
         32,
         "Quillet",
         {"Microsoft YaHei", 12, false},
         {},
         Align::Left},
        {main::超级链接框_反馈,
         557,
         458,
         60,
         20,
         "官网/反馈",
         {"SimSun", 12, false},
         ColourSpec{0x8F, 0x8F, 0x8F},
         Align::Left},
        {main::标签_竖线2, 530, 456, 24, 24, "|", none, {}, Align::Centre},
        {main::链接框_广告7, 4, 150, 174, 22, "我要租此广告位", none, ColourSpec{0x77, 0x77, 0x77},
         Align::Left},
        {main::标签7, 648, 451, 152, 18, "广告如有欺骗性质，请联系", none,
         ColourSpec{0x80, 0x80, 0x80}, Align::Centre},
        {main::外形框_我的资产, 620, 1319, 600, 410, "", none, {}, Align::Left},
        {main::标签_我的资产_总价值, 483, 371, 100, 24, "￥ 0 RMB", none,
         ColourSpec{0xFF, 0x80, 0x00}, Align::Left},
        {main::标签_总战绩, 63, 53, 80, 24, "总战绩", {"", 12, true}, {}, Align::Left},
        {main::标签2, 141, 121, 69, 24, "选择大区：", none, {}, Align::Right},
        {main::标签_转账提示2, 369, 256, 100, 24, "QQ转账(微笑着)", none, {}, Align::Centre},
        {main::按钮_月券_帮豆抽奖, 438, 240, 80, 26, "抽奖", none, {}, Align::Left},
        {main::标签_支持提示,
         6,
         9,
         434,
         24,
         "支持一下，1元、5元、10元 扫一扫输入金额转账支持工具发展",
         none,
         {},
         Align::Left},
        {version::标签_提示,
         60,
         32,
         253,
         24,
         "新版本检测中，请稍后...",
         {"SimSun", 12, true},
         {},
         Align::Left},
        {notice::标签_标题,
         8,
         5,
         278,
         32,
         "标题",
         {"Microsoft YaHei", 14, true},
         {},
         Align::Centre},
        {notice::标签_内容,
         8,
         40,
         278,
         72,
         "  内容",
         {"Microsoft YaHei", 12, false},
         ColourSpec{0x00, 0x88, 0xFF},
         Align::Left},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control.name));
        const ControlSpec* s = form_control(c.control);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->left, c.left);
        EXPECT_EQ(s->top, c.top);
        EXPECT_EQ(s->width, c.width);
        EXPECT_EQ(s->height, c.height);
        EXPECT_EQ(utf8(s->caption), c.caption);
        EXPECT_EQ(s->font, c.font);
        EXPECT_EQ(s->text_colour, c.text);
        EXPECT_EQ(s->align, c.align);
    }

    // Windows.
    EXPECT_EQ(utf8(form_window(Window::Version).title), "Quillet - 版本检测v");
    EXPECT_EQ(form_window(Window::Main).width, 830);
    EXPECT_EQ(form_window(Window::Main).height, 512);
    EXPECT_EQ(form_window(Window::Main).background, (ColourSpec{0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(form_window(Window::Notice).tool_window);
    EXPECT_FALSE(form_window(Window::Notice).modal);
    EXPECT_FALSE(form_window(Window::Main).tool_window);
    EXPECT_TRUE(form_window(Window::Login).modal);

    // Borders, rules, wrapping and pictures.
    EXPECT_EQ(form_control(main::外形框_提示)->border, (ColourSpec{0x76, 0x76, 0x76}));
    EXPECT_EQ(form_control(main::外形框_头像)->border, (ColourSpec{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(form_control(version::外形框_检测)->border, (ColourSpec{0, 0, 0}));
    EXPECT_EQ(form_control(notice::标签_横线)->background, (ColourSpec{0xC9, 0xC9, 0xC9}));
    EXPECT_TRUE(form_control(main::标签_今日战绩信息)->word_wrap);
    EXPECT_FALSE(form_control(main::标签_今日战绩信息)->vertical_centre);
    EXPECT_TRUE(form_control(version::标签_提示)->vertical_centre);
    EXPECT_TRUE(form_control(main::超级编辑框_日志)->arrow_cursor);
    EXPECT_EQ(form_control(main::图片框_CFVIP)->picture, "vip0.png");
    EXPECT_EQ(form_control(main::图片框_验证码)->picture, "");
    EXPECT_EQ(form_control(main::外形框_CDK兑换内层)->parent, main::外形框_CDK兑换.name);
    EXPECT_EQ(form_control(main::编辑框_CDK)->parent, main::外形框_CDK兑换内层.name);
    EXPECT_EQ(form_control(main::超级列表框_我的资产)->parent, main::外形框_我的资产.name);
    EXPECT_TRUE(starts_with(utf8(form_control(main::标签_今日战绩信息)->caption),
                            "获得经验值：0\r\n\r\n获得游戏币：0\r\n"));
}

TEST(FormTable, ListColumnsAndItems) {
    struct Col {
        const char* caption;
        int width;
        Align align;
    };
    const std::pair<Control, std::vector<Col>> lists[] = {
        {main::超级列表框_活动列表,
         {{"活动标题", 200, Align::Left},
          {"活动平台", 80, Align::Right},
          {"剩余天数", 70, Align::Centre},
          {"活动道具", 200, Align::Left},
          {"链接", 0, Align::Left}}},
        {main::超级列表框_消费列表,
         {{"道具名称", 260, Align::Left},
          {"道具价格", 120, Align::Left},
          {"道具购买时间", 160, Align::Right}}},
        {main::超级列表框_我的资产,
         {{"武器名称", 260, Align::Left},
          {"剩余期限", 150, Align::Left},
          {"价格(CF点)", 120, Align::Right}}},
    };
    for (const auto& [list, expected] : lists) {
        SCOPED_TRACE(std::string(list.name));
        const auto& columns = form_control(list)->columns;
        ASSERT_EQ(columns.size(), expected.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            EXPECT_EQ(utf8(columns[i].caption), expected[i].caption);
            EXPECT_EQ(columns[i].width, expected[i].width);
            EXPECT_EQ(columns[i].align, expected[i].align);
        }
    }

    // Every item of the two setting lists has its own value, so that whatever
    // is saved is found again at its position.
    for (Control list : {main::组合框_配置_优先模式, main::组合框_配置_优先道具}) {
        const auto& items = form_control(list)->items;
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(items[i].value, static_cast<int64_t>(i)) << list.name << " " << i;
    }
    EXPECT_EQ(form_control(main::组合框_配置_优先模式)->items.size(), 3u);
    EXPECT_EQ(utf8(form_control(main::组合框_配置_优先道具)->items.back().text), "道具卡");
    EXPECT_TRUE(form_control(main::组合框_大区列表)->items.empty());
}

TEST(FormTable, MenusHoldTheirItemsInOrder) {
    std::vector<std::string> quillet;
    std::map<std::string, std::vector<std::string>> manual;
    for (const ControlSpec& s : form_controls(Window::Main)) {
        if (s.parent == menu::quillet.name) {
            quillet.push_back(utf8(s.caption));
            EXPECT_EQ(s.visible, s.control != menu::助手配置) << s.control.name;
        }
        if (s.parent == menu::manual.name) {
            EXPECT_EQ(s.kind, ControlKind::SubMenu);
            EXPECT_TRUE(s.visible);
            manual[std::string(s.control.name)];
        }
        if (manual.count(std::string(s.parent))) {
            EXPECT_FALSE(s.visible) << s.control.name;
            manual[std::string(s.parent)].push_back(utf8(s.caption));
        }
    }
    EXPECT_EQ(quillet,
              (std::vector<std::string>{"助手配置", "活动列表", "消费记录", "战绩查询", "我的资产",
                                        "月券/聚豆", "扫描全区", "封号查询", "领取记录"}));
    ASSERT_EQ(manual.size(), 4u);
    const char* const groups[] = {"兑换活动", "幸运活动", "超值低价", "人品活动"};
    const char* const stems[] = {"兑换", "幸运", "超值", "人品"};
    for (int g = 0; g < 4; ++g) {
        const auto& items = manual[std::string("手动活动/") + groups[g]];
        ASSERT_EQ(items.size(), 10u) << groups[g];
        EXPECT_EQ(items.front(), std::string(stems[g]) + "1");
        EXPECT_EQ(items.back(), std::string(stems[g]) + "10");
        EXPECT_EQ(utf8(form_control(menu::manual_group(g + 1))->caption), groups[g]);
        EXPECT_EQ(form_control(menu::manual_slot(g + 1, 1))->parent,
                  menu::manual_group(g + 1).name);
    }
    EXPECT_EQ(menu::manual_group(0).name, "");
    EXPECT_EQ(menu::manual_group(5).name, "");
}

TEST(FormTable, AFreshMainWindowInTheViewShowsWhatThePlayerSees) {
    RecordingView view;
    view.set_caption(main::标签_头像_昵称, gbk("玩家"));
    view.set_visible(main::外形框_配置, true);
    view.set_visible(menu::manual_slot(1, 1), true);
    view.add_item(main::组合框_大区列表, gbk("广东一区"), 1);
    view.show_window(Window::Main, false);

    // Every control starts as the table says.
    for (const ControlSpec& s : form_controls(Window::Main)) {
        SCOPED_TRACE(std::string(s.control.name));
        const ControlState st = view.state(s.control);
        EXPECT_EQ(st.caption, s.caption);
        EXPECT_EQ(st.visible, s.visible);
        EXPECT_EQ(st.enabled, s.enabled);
        EXPECT_EQ(st.geometry, (Geometry{s.left, s.top, s.width, s.height}));
        EXPECT_EQ(st.items.size(), s.items.size());
    }
    EXPECT_EQ(view.window_title(Window::Main), gbk("Quillet - 打造专业的CF工具，永久免费"));

    EXPECT_EQ(view.caption_of(main::标签_头像_大区), gbk("请绑定大区"));
    EXPECT_EQ(view.caption_of(main::标签_头像_昵称), gbk("未知"));
    for (Control c : {main::按钮_更换账号, main::按钮_绑定大区, main::按钮_一键领取,
                      main::按钮_手动活动, main::按钮_Quillet, main::超级链接框_CDK兑换,
                      main::超级链接框_支持, main::超级链接框_反馈})
        EXPECT_FALSE(view.is_enabled(c)) << c.name;
    EXPECT_EQ(view.colour_of(main::超级链接框_支持), (Rgb{0x8F, 0x8F, 0x8F}));
    for (Control c : {main::外形框_活动列表, main::外形框_消费列表, main::外形框_CDK兑换,
                      main::外形框_支持, main::外形框_我的资产, main::外形框_战绩,
                      main::外形框_月券, main::外形框_配置, main::外形框_提示, main::列表框_大区})
        EXPECT_FALSE(view.is_visible(c)) << c.name;
    EXPECT_TRUE(view.is_visible(main::外形框_日志));
    EXPECT_TRUE(view.is_visible(main::图片框_CFVIP));
    EXPECT_EQ(view.item_count(main::组合框_大区列表), 0);
    for (int g = 1; g <= menu::kManualGroups; ++g) {
        EXPECT_TRUE(view.is_visible(menu::manual_group(g)));
        for (int p = 1; p <= menu::kManualPositions; ++p)
            EXPECT_FALSE(view.is_visible(menu::manual_slot(g, p))) << g << "/" << p;
    }
}

TEST(FormTable, EveryWindowLoadsWithItsTitleAndControls) {
    RecordingView view;
    for (Window w : form_windows()) {
        view.load_initial_state(w);
        EXPECT_EQ(view.window_title(w), form_window(w).title) << window_name(w);
    }
    EXPECT_FALSE(view.is_visible(browser::超文本浏览框));
    EXPECT_EQ(view.caption_of(notice::超级链接框_查看详情), gbk("查看详情"));
    EXPECT_EQ(view.colour_of(notice::标签_内容), (Rgb{0x00, 0x88, 0xFF}));
    EXPECT_EQ(view.state(login::超文本浏览框).geometry, (Geometry{-3, -3, 373, 300}));
}

}  // namespace
}  // namespace quillet::testing
