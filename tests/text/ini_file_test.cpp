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
    std::ifstream in(dir / "quillet.cfg", std::ios::binary);
    std::string first;  // "[config]" and CR LF
    std::getline(in, first);
    EXPECT_EQ(first, "[config]\r");
    in.close();  // Windows removes no file that is open
    IniFile nowhere(dir / "missing-folder" / "quillet.cfg");
    EXPECT_FALSE(nowhere.write("config", "model", "1"));
    std::filesystem::remove_all(dir);
}

TEST(IniFile, TellsAFileThatIsNoIniFileFromOneThatIs) {
    const auto dir = std::filesystem::temp_directory_path() / "quillet_ini_shape_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    struct Case {
        const char* name;
        std::string text;
        bool ini;
    };
    const Case cases[] = {
        {"profile", "\xEF\xBB\xBF; saved by hand\r\n[hosts]\r\nVENDOR_HOST=a.b\r\n\r\n# x\n", true},
        {"empty", "", true},
        {"json", "{\"hosts\": {\"VENDOR_HOST\": \"a\"}}\n", false},
        {"binary", std::string("[net]\nx=1\n\0\x01", 12), false},
        {"stray line", "[hosts]\nVENDOR_HOST a.b\n", false},
        {"no key", "[hosts]\n=a.b\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(dir / "f.cfg", std::ios::binary | std::ios::trunc) << c.text;
        const IniFile file(dir / "f.cfg");
        EXPECT_TRUE(file.exists() && file.readable());
        EXPECT_EQ(file.looks_like_ini(), c.ini);
    }
    // Missing: nothing to read, nothing wrong; a folder: cannot be read.
    EXPECT_FALSE(IniFile(dir / "missing.cfg").exists());
    EXPECT_TRUE(IniFile(dir).exists());
    EXPECT_FALSE(IniFile(dir).readable());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quillet
