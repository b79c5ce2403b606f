#include "platform/private_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/folders.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

// Wine keeps no access list of its own on a Unix file system: it shows the
// file's Unix mode as one (world-readable: Everyone), so the check can only
// be proven on Windows itself.
bool access_lists_are_emulated() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

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
    if (!access_lists_are_emulated()) {
        EXPECT_EQ(file_privacy(file, detail), Privacy::Private) << detail;
    }

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
