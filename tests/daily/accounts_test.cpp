// Account profiles: names that stay inside the folder, and cookie files that
// only their owner may read.
#include "main/accounts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace quillet {
namespace {

namespace fs = std::filesystem;

TEST(Accounts, NamesAndFolder) {
    for (const char* ok : {"main", "alt-2", "QQ_358791246", "a.b"})
        EXPECT_TRUE(valid_account_name(ok)) << ok;
    for (const char* bad : {"", ".hidden", "..", "a/b", "../x", "a b", "名字", "x\n"})
        EXPECT_FALSE(valid_account_name(bad)) << bad;
    EXPECT_FALSE(valid_account_name(std::string(65, 'a')));
    EXPECT_EQ(accounts_folder_for("/x", "/h"), fs::path("/x/quillet/accounts"));
    EXPECT_EQ(accounts_folder_for("rel", "/h"), fs::path("/h/.config/quillet/accounts"));
}

TEST(Accounts, CookieFilesOthersCanReadAreRefused) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("quillet_accounts_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    struct Case {
        mode_t mode;
        bool accepted;
    };
    const Case cases[] = {{0600, true},  {0400, true},  {0700, true}, {0644, false},
                          {0640, false}, {0604, false}, {0620, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const fs::path file = dir / "main.cookie";
        std::ofstream(file) << "uin=o0358791246; skey=@secret";
        ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
        std::string error;
        const auto text = read_private_cookie_file(file, error);
        EXPECT_EQ(text.has_value(), c.accepted) << error;
        if (c.accepted) {
            EXPECT_EQ(*text, "uin=o0358791246; skey=@secret");
        } else {
            EXPECT_NE(error.find("chmod 600 " + file.string()), std::string::npos) << error;
            EXPECT_EQ(error.find("@secret"), std::string::npos) << "never shows the cookie";
        }
        fs::remove(file);
    }
    std::string error;
    EXPECT_FALSE(read_private_cookie_file(dir / "absent.cookie", error));
    EXPECT_FALSE(error.empty());

    // Only *.cookie files with valid names are profiles.
    for (const char* name : {"b.cookie", "a.cookie", ".x.cookie", "notes.txt"})
        std::ofstream(dir / name) << "x";
    fs::create_directories(dir / "d.cookie");
    EXPECT_EQ(account_names_in(dir), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(account_names_in(dir / "missing"), std::vector<std::string>{});
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quillet
