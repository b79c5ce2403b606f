#include "platform/folders.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/platform/env_scope.h"

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

TEST(Folders, XdgRules) {
    struct Case {
        const char* name;
        const char* xdg;
        const char* home;
        std::optional<fs::path> expected;
    };
    const Case cases[] = {
        {"absolute XDG wins", "/x/cfg", "/home/u", fs::path("/x/cfg")},
        {"relative XDG is invalid", "cfg", "/home/u", fs::path("/home/u") / ".config"},
        {"unset XDG", nullptr, "/home/u", fs::path("/home/u") / ".config"},
        {"empty HOME", nullptr, "", std::nullopt},
        {"nothing", nullptr, nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(xdg_home_for(c.xdg, c.home, ".config"), c.expected);
    }
}

TEST(Folders, TheUsersFoldersFollowTheEnvironment) {
    const fs::path root = fs::temp_directory_path() / "quillet-folders";
    EnvScope scope;
#ifdef _WIN32
    scope.set("APPDATA", (root / "Roaming").string())
        .set("LOCALAPPDATA", (root / "Local").string());
    EXPECT_EQ(user_config_home(), root / "Roaming");
    EXPECT_EQ(user_data_home(), root / "Local");
    scope.set("APPDATA", std::nullopt);
    EXPECT_EQ(user_config_home(), std::nullopt);
#else
    scope.set("XDG_CONFIG_HOME", (root / "cfg").string())
        .set("XDG_DATA_HOME", std::nullopt)
        .set("HOME", (root / "home").string());
    EXPECT_EQ(user_config_home(), root / "cfg");
    EXPECT_EQ(user_data_home(), root / "home" / ".local/share");
    scope.set("XDG_CONFIG_HOME", std::nullopt).set("HOME", std::nullopt);
    EXPECT_EQ(user_config_home(), std::nullopt);
#endif
}

TEST(Folders, NonAsciiNamesSurviveTheRoundTrip) {
    const fs::path dir =
        fs::temp_directory_path() / ("quillet-names-" + std::to_string(process_id()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string name = "领取记录 é.txt";
    std::ofstream(dir / path_from_utf8(name)) << "x";
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        found.push_back(utf8_of_path(entry.path().filename()));
    EXPECT_EQ(found, std::vector<std::string>{name});
    fs::remove_all(dir);
}

TEST(Folders, TheProgramKnowsWhereItIs) {
    const fs::path exe = executable_path();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(fs::is_regular_file(exe)) << exe;
    EXPECT_EQ(executable_folder(), exe.parent_path());
    EXPECT_TRUE(folder_writable(fs::temp_directory_path()));
    EXPECT_FALSE(folder_writable(fs::temp_directory_path() / "quillet-no-such-folder"));
}

}  // namespace
}  // namespace quillet::platform
