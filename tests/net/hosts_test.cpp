// The host table, its overrides from the configuration file, and routing rules.
#include "net/hosts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "text/ini_file.h"

namespace quillet {
namespace {

TEST(HostTableTest, EveryHostHasASymbolAndADefault) {
    HostTable table;
    std::set<std::string_view> symbols;
    for (size_t i = 0; i < kHostCount; ++i) {
        Host h = static_cast<Host>(i);
        SCOPED_TRACE(std::string(host_symbol(h)));
        EXPECT_TRUE(host_symbol(h).ends_with("_HOST"));
        EXPECT_EQ(host_of_symbol(host_symbol(h)), h);
        EXPECT_FALSE(table[h].empty());
        EXPECT_EQ(table[h], HostTable::default_of(h));
        symbols.insert(host_symbol(h));
    }
    EXPECT_EQ(symbols.size(), kHostCount);
    EXPECT_EQ(table[Host::PTLOGIN], "ptlogin2.qq.com");
    EXPECT_EQ(host_of_symbol("ams_host"), Host::AMS);
    EXPECT_EQ(host_of_symbol("NOT_A_HOST"), std::nullopt);
}

TEST(HostTableTest, ConfigurationSectionOverridesValidNames) {
    auto path = std::filesystem::temp_directory_path() /
                ("quillet_hosts_" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".cfg");
    IniFile config(path);
    ASSERT_TRUE(config.write("hosts", "AMS_HOST", " ams.test.example "));
    ASSERT_TRUE(config.write("hosts", "VENDOR_HOST", "Vendor.Example:8080"));
    ASSERT_TRUE(config.write("hosts", "PAY_HOST", "http://bad/path"));
    ASSERT_TRUE(config.write("config", "KF_HOST", "wrong.section"));
    HostTable table;
    table.load_overrides(config);
    std::filesystem::remove(path);
    EXPECT_EQ(table[Host::AMS], "ams.test.example");
    EXPECT_EQ(table[Host::VENDOR], "vendor.example:8080");
    EXPECT_EQ(table[Host::PAY], HostTable::default_of(Host::PAY));
    EXPECT_EQ(table[Host::KF], HostTable::default_of(Host::KF));
    EXPECT_EQ(table[Host::GAME_APPS], HostTable::default_of(Host::GAME_APPS));
}

TEST(RoutingTest, ParsesRulesAndMatchesTheFirst) {
    struct Case {
        const char* rule;
        bool ok;
    };
    const Case cases[] = {
        {"*=127.0.0.1:8080", true},
        {"apps.game.qq.com=10.0.0.2:80", true},
        {"h=[::1]:9000", true},
        {"h=::1:9000", false},
        {"h=127.0.0.1", false},
        {"h=127.0.0.1:0", false},
        {"h=127.0.0.1:70000", false},
        {"=127.0.0.1:80", false},
        {"h=:80", false},
        {"no equals sign", false},
        {"h=1.2.3.4:8x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        Routing r;
        EXPECT_EQ(r.add(c.rule), c.ok);
        EXPECT_EQ(r.rules().size(), c.ok ? 1u : 0u);
    }

    Routing r;
    ASSERT_TRUE(r.add("AMS.example=10.0.0.1:81"));
    ASSERT_TRUE(r.add("*=10.0.0.9:82"));
    ASSERT_TRUE(r.add("late.example=10.0.0.3:83"));
    EXPECT_EQ(r.route_for("ams.example")->port, 81);
    EXPECT_EQ(r.route_for("late.example")->port, 82);  // "*" came first
    Routing none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.route_for("x"), std::nullopt);
}

}  // namespace
}  // namespace quillet
