#include "text/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/gbk_literal.h"

namespace quillet {
namespace {

TEST(IniFile, WritesAndReadsGbkEntriesAndFallsBackToDefaults) {
    auto dir = std::filesystem::temp_directory_path() / "quillet_ini_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    IniFile ini(dir / "quillet.cfg");
    EXPECT_EQ(ini.read("config", "model", "0"), "0");  // no file yet
    ASSERT_TRUE(ini.write("config", "model", "1"));
    ASSERT_TRUE(ini.write("config", testing::gbk("公告7"), "3"));
    EXPECT_EQ(ini.read("config", "model", "0"), "1");
    EXPECT_EQ(ini.read("config", testing::gbk("公告7")), "3");
    EXPECT_EQ(ini.read("config", "prop", "0"), "0");
    std::ifstream in(dir / "quillet.cfg");
    std::string first;  // "[config]" and CR LF
    std::getline(in, first);
    EXPECT_EQ(first, "[config]\r");
    IniFile nowhere(dir / "missing-folder" / "quillet.cfg");
    EXPECT_FALSE(nowhere.write("config", "model", "1"));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quillet
