// The in-memory view: the windows' initial states and the list semantics the
// features rely on.
#include "session/memory_view.h"

#include <gtest/gtest.h>

#include "tests/support/gbk_literal.h"
#include "tests/support/recording_view.h"

namespace quillet::testing {
namespace {

using namespace ctl;

TEST(InitialState, AFreshMainWindowShowsTheLogAndAnUninitialisedAccount) {
    RecordingView view;
    EXPECT_EQ(view.caption_of(main::标签_头像_大区), gbk("请绑定大区"));
    EXPECT_EQ(view.caption_of(main::标签_头像_昵称), gbk("未知"));
    EXPECT_EQ(view.caption_of(main::标签_VIP等级), gbk("VIP等级：LV 0"));
    EXPECT_TRUE(view.is_visible(main::外形框_日志));
    EXPECT_FALSE(view.is_visible(main::外形框_提示));
    EXPECT_FALSE(view.is_visible(main::列表框_大区));
    for (Control c : {main::按钮_更换账号, main::按钮_绑定大区, main::按钮_一键领取,
                      main::按钮_手动活动, main::按钮_Quillet, main::超级链接框_CDK兑换,
                      main::超级链接框_支持, main::超级链接框_反馈})
        EXPECT_FALSE(view.is_enabled(c)) << c.name;
    for (Control c :
         {main::外形框_活动列表, main::外形框_消费列表, main::外形框_CDK兑换, main::外形框_支持,
          main::外形框_我的资产, main::外形框_战绩, main::外形框_月券, main::外形框_配置})
        EXPECT_FALSE(view.is_visible(c)) << c.name;
    for (Control c : {main::链接框_广告1, main::链接框_广告10}) {
        EXPECT_EQ(view.caption_of(c), gbk("我要租此广告位"));
        EXPECT_EQ(view.state(c).link_target, "");
    }
    EXPECT_FALSE(view.is_visible(menu::助手配置));
    EXPECT_FALSE(view.is_visible(menu::manual_slot(4, 10)));
    EXPECT_EQ(view.caption_of(menu::manual_slot(2, 3)), gbk("幸运3"));
    // The configuration panel's lists carry their values.
    EXPECT_EQ(view.item_count(main::组合框_配置_优先道具), 8);
    EXPECT_EQ(view.item_text(main::组合框_配置_优先道具, 2), "AK47");
    EXPECT_EQ(view.item_value(main::组合框_配置_优先道具, 6), 6);
    EXPECT_EQ(view.item_value(main::组合框_配置_优先模式, 2), 2);
    EXPECT_EQ(view.caption_of(version::标签_提示), gbk("新版本检测中，请稍后..."));
    EXPECT_FALSE(view.is_visible(version::按钮_重试));
}

TEST(InitialState, ShowingAWindowAgainStartsItAfresh) {
    RecordingView view;
    view.set_caption(main::标签_头像_大区, gbk("上海电信一区"));
    view.add_row(main::超级列表框_消费列表, {"a", "b", "c"});
    view.set_enabled(main::按钮_一键领取, true);
    view.show_window(Window::Main, false);
    EXPECT_EQ(view.caption_of(main::标签_头像_大区), gbk("请绑定大区"));
    EXPECT_TRUE(view.rows(main::超级列表框_消费列表).empty());
    EXPECT_FALSE(view.is_enabled(main::按钮_一键领取));
    EXPECT_TRUE(view.is_loaded(Window::Main));
}

TEST(MemoryView, CellColoursAreAddedReplacedAndDroppedWhenPlain) {
    MemoryView view;
    const Control list = main::超级列表框_我的资产;
    view.add_row(list, {"AK47", "1", "2"});
    view.set_cell_colour(list, 0, 1, colour::red);
    view.set_cell_colour(list, 0, 1, colour::green, Rgb{1, 2, 3});
    EXPECT_EQ(view.state(list).cell_colours.at({0, 1}), (CellColour{colour::green, Rgb{1, 2, 3}}));
    view.set_cell_colour(list, 0, 1, colour::black, colour::white);
    EXPECT_TRUE(view.state(list).cell_colours.empty());
    view.set_cell_colour(list, 0, 2, colour::red);
    view.clear_rows(list);
    EXPECT_TRUE(view.state(list).cell_colours.empty());
    EXPECT_EQ(view.cell_text(list, 0, 0), "");
}

TEST(MemoryView, ListsAnswerOutOfRangeQuestionsWithNothing) {
    MemoryView view;
    const Control list = main::组合框_大区列表;
    view.add_item(list, "a", 320);
    EXPECT_EQ(view.item_value(list, 0), 320);
    EXPECT_EQ(view.item_value(list, 1), -1);
    EXPECT_EQ(view.item_text(list, -1), "");
    view.select_index(list, 0);
    EXPECT_EQ(view.selected_index(list), 0);
    view.select_index(list, 5);
    EXPECT_EQ(view.selected_index(list), -1);
    view.select_index(list, 0);
    view.clear_items(list);
    EXPECT_EQ(view.selected_index(list), -1);
}

TEST(MemoryView, BoxesTakeScriptedAnswersThenTheDefaults) {
    MemoryView view;
    view.push_confirm_answer(false);
    view.push_input_answer(std::string("x"));
    EXPECT_FALSE(view.confirm_box("t", "c"));
    EXPECT_TRUE(view.confirm_box("t", "c"));
    EXPECT_EQ(view.input_box("t", "p", ""), std::optional<std::string>("x"));
    EXPECT_EQ(view.input_box("t", "p", ""), std::nullopt);
    view.set_default_input(std::string("y"));
    EXPECT_EQ(view.input_box("t", "p", ""), std::optional<std::string>("y"));
}

TEST(MemoryView, AModalWindowRunsItsScriptAndReturnsClosed) {
    MemoryView view;
    std::vector<Window> during;
    view.set_window_script([&](Window w) {
        during.push_back(w);
        EXPECT_TRUE(view.is_loaded(w));
    });
    view.show_window(Window::Login, true);
    view.show_window(Window::Notice, false);
    EXPECT_EQ(during, std::vector<Window>{Window::Login});
    EXPECT_FALSE(view.is_loaded(Window::Login));
    EXPECT_TRUE(view.is_loaded(Window::Notice));
}

TEST(Colours, NamesAndTheVendorsColourValues) {
    EXPECT_EQ(colour_name(colour::navy), "navy");
    EXPECT_EQ(colour_name(colour::grey), "#8F8F8F");
    EXPECT_EQ(rgb_of_colour_value(0x0000FF), colour::red);  // red in the lowest byte
    EXPECT_EQ(rgb_of_colour_value(0x800000), (Rgb{0, 0, 128}));
}

}  // namespace
}  // namespace quillet::testing
