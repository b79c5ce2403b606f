#include "session/config_location.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace quillet {
namespace {

namespace fs = std::filesystem;

class ConfigLocation : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("quillet-cfg-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(ConfigLocation, BesideTheProgramWhenItsFolderTakesTheFile) {
    EXPECT_EQ(config_path_for(root_ / "bin", "/nowhere", "/nowhere"),
              root_ / "bin" / "quillet.cfg");
}

TEST_F(ConfigLocation, TheUsersConfigurationFolderWhenTheProgramsIsOutOfReach) {
    const fs::path missing = root_ / "no-such-folder";
    const std::string xdg = (root_ / "xdg").string();
    const std::string home = (root_ / "home").string();
    EXPECT_EQ(config_path_for(missing, xdg.c_str(), home.c_str()),
              root_ / "xdg" / "quillet" / "quillet.cfg");
    EXPECT_TRUE(fs::is_directory(root_ / "xdg" / "quillet"));
    // A relative XDG_CONFIG_HOME is not a configuration folder.
    EXPECT_EQ(config_path_for(missing, "relative", home.c_str()),
              root_ / "home" / ".config" / "quillet" / "quillet.cfg");
    EXPECT_EQ(config_path_for(missing, nullptr, home.c_str()),
              root_ / "home" / ".config" / "quillet" / "quillet.cfg");
}

TEST(ConfigLocationDefault, NamesQuilletCfg) {
    EXPECT_EQ(default_config_path().filename(), "quillet.cfg");
    EXPECT_TRUE(fs::is_directory(program_directory()));
}

}  // namespace
}  // namespace quillet
