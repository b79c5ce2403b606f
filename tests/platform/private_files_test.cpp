#include "platform/private_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/folders.h"

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

struct Scratch {
    Scratch() {
        dir = fs::temp_directory_path() / ("quillet-private-" + std::to_string(process_id()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string read(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    size_t entries() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
        return n;
    }
    fs::path dir;
};

TEST(PrivateFiles, WrittenWholeReplacedWholeAndTheUsersAlone) {
    Scratch s;
    const fs::path file = s.dir / "login.cookie";
    std::string error, detail;
    ASSERT_TRUE(write_private_file(file, "uin=o1; skey=@old", error)) << error;
    ASSERT_TRUE(write_private_file(file, "uin=o1; skey=@new\n", error)) << error;
    EXPECT_EQ(s.read(file), "uin=o1; skey=@new\n");
    EXPECT_EQ(s.entries(), 1u) << "no temporary file is left behind";
    EXPECT_EQ(file_privacy(file, detail), Privacy::Private) << detail;

    EXPECT_FALSE(write_private_file(s.dir / "no-such-folder" / "f", "x", error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;
    EXPECT_EQ(file_privacy(s.dir / "missing", detail), Privacy::Unknown);
}

#ifndef _WIN32
TEST(PrivateFiles, AFileOthersMayReadIsToldAndCanBeMadePrivate) {
    Scratch s;
    const fs::path file = s.dir / "shared.cookie";
    std::ofstream(file) << "x";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    std::string detail;
    EXPECT_EQ(file_privacy(file, detail), Privacy::OpenToOthers);
    EXPECT_EQ(detail, "mode 0644");
    EXPECT_EQ(private_fix_command(file), "chmod 600 " + file.string());
    ASSERT_TRUE(make_private(file));
    EXPECT_EQ(file_privacy(file, detail), Privacy::Private);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(make_private(s.dir));
    EXPECT_EQ(fs::status(s.dir).permissions(), fs::perms::owner_all);
}
#endif

}  // namespace
}  // namespace quillet::platform
