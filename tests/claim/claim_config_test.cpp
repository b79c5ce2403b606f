#include "claim/claim_config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/claim/claim_test_support.h"

namespace quillet {
namespace {

using testing::gbk;
namespace fs = std::filesystem;
namespace m = ctl::main;

class ConfigPanel : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quillet-claim-config-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        open_window();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A fresh main window: the two lists with their items, nothing selected.
    void open_window() {
        s_ = std::make_unique<testing::TestSession>(1, dir_ / "quillet.cfg");
        auto& v = s_->view;
        v.clear_items(m::组合框_配置_优先模式);
        v.clear_items(m::组合框_配置_优先道具);
        for (const char* mode : {"爆破模式", "生化模式", "挑战模式"})
            v.add_item(m::组合框_配置_优先模式, gbk(mode), v.item_count(m::组合框_配置_优先模式));
        for (const char* prop : {"大炮", "狙击", "AK47", "M4A1", "副武器", "近身武器", "投掷武器"})
            v.add_item(m::组合框_配置_优先道具, gbk(prop), v.item_count(m::组合框_配置_优先道具));
        v.add_item(m::组合框_配置_优先道具, gbk("道具卡"), 0);
    }
    Session& s() { return **s_; }
    MemoryView& view() { return s_->view; }
    std::string file_text() {
        std::ifstream in(dir_ / "quillet.cfg", std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir_;
    std::unique_ptr<testing::TestSession> s_;
};

TEST_F(ConfigPanel, SavedChoicesAreSelectedWhenThePanelOpensAgain) {
    view().select_index(m::组合框_配置_优先模式, 1);  // 生化模式
    view().select_index(m::组合框_配置_优先道具, 3);  // M4A1
    view().set_visible(m::外形框_配置, true);
    view().set_visible(m::外形框_头像, false);
    save_config_panel(s());
    EXPECT_FALSE(view().visible(m::外形框_配置));
    EXPECT_TRUE(view().visible(m::外形框_头像));
    EXPECT_EQ(s().config.read("config", "model"), "1");
    EXPECT_EQ(s().config.read("config", "prop"), "3");
    EXPECT_TRUE(contains(file_text(), "[config]"));

    open_window();
    load_config_panel(s());
    EXPECT_EQ(view().selected_index(m::组合框_配置_优先模式), 1);
    EXPECT_EQ(view().selected_index(m::组合框_配置_优先道具), 3);
}

TEST_F(ConfigPanel, WithoutAFileTheFirstEntriesAreSelected) {
    load_config_panel(s());
    EXPECT_EQ(view().selected_index(m::组合框_配置_优先模式), 0);
    EXPECT_EQ(view().selected_index(m::组合框_配置_优先道具), 0);
    EXPECT_FALSE(fs::exists(dir_ / "quillet.cfg"));  // reading creates nothing
}

TEST_F(ConfigPanel, StoredValuesOutsideTheListSelectNothingNew) {
    struct Case {
        const char* stored;
        int selected;  // after load, with entry 2 selected before
    };
    const Case cases[] = {{"7", 2}, {"-1", 2}, {"x", 0}, {"1", 1}, {"2abc", 2}, {"99999999999", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        s().config.write("config", "model", c.stored);
        view().select_index(m::组合框_配置_优先模式, 2);
        load_config_panel(s());
        EXPECT_EQ(view().selected_index(m::组合框_配置_优先模式), c.selected);
    }
}

TEST_F(ConfigPanel, ItemValueAtAnotherPositionDoesNotCount) {
    // 道具卡 sits at position 7 with value 0: a stored 7 does not select it.
    s().config.write("config", "prop", "7");
    load_config_panel(s());
    EXPECT_EQ(view().selected_index(m::组合框_配置_优先道具), -1);
}

TEST_F(ConfigPanel, NothingSelectedIsSavedAsMinusOne) {
    save_config_panel(s());
    EXPECT_EQ(s().config.read("config", "model"), "-1");
    EXPECT_EQ(s().config.read("config", "prop"), "-1");
}

TEST_F(ConfigPanel, PreparingTheEngineFixesThePathAndTheCleanupList) {
    MessageCleaner cleaner;
    prepare_claim_engine(s(), cleaner);
    EXPECT_EQ(s().state.config_path, (dir_ / "quillet.cfg").string());
    EXPECT_EQ(cleaner.phrases().size(), 19u);
}

}  // namespace
}  // namespace quillet
