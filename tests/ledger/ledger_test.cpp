// The claim ledger and the pass summary: rows kept across reopening, the
// rows of a real pass against the simulator matching its log lines, the
// summary naming exactly the gifts the answers named, the upgrade of a
// ledger of the first version, and times read in another zone.
#include "ledger/ledger.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "claim/claim_config.h"
#include "claim/claim_pass.h"
#include "ledger/claim_recorder.h"
#include "ledger/history_text.h"
#include "ledger/json_text.h"
#include "ledger/pass_summary.h"
#include "net/cookie_jar.h"
#include "sandbox/json.h"
#include "sandbox/sandbox.h"
#include "services/game_service_client.h"
#include "session/memory_view.h"
#include "session/session.h"
#include "tests/support/gbk_literal.h"
#include "tests/support/recording_view.h"
#include "tests/support/session_bed.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

fs::path temp_folder(const std::string& name) {
    const fs::path dir = fs::path(::testing::TempDir()) /
                         ("quillet_ledger_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(dir);
    return dir;
}

// 2016-10-18 00:00:00 UTC.
constexpr int64_t kOct18 = 1476748800;

LedgerRow row(int64_t at, std::string account, std::string message, OutcomeKind kind) {
    LedgerRow r;
    r.at = at;
    r.utc_offset = 8 * 3600;
    r.account = std::move(account);
    r.qq = "358791246";
    r.area = "上海电信一区";
    r.area_id = 320;
    r.group = "每日登录有礼";
    r.item = "签到 \"礼包\"";
    r.protocol = "AMS";
    r.outcome = kind;
    r.message = std::move(message);
    r.code = kind == OutcomeKind::failed ? "50001" : "0";
    r.pass = "p1";
    return r;
}

TEST(Ledger, KeepsRowsAcrossReopeningAndFiltersByDayAndAccount) {
    const fs::path dir = temp_folder("reopen");
    const fs::path file = dir / "sub" / "ledger.sqlite3";
    // Local (+08:00) 2016-10-18 08:00:01, 2016-10-19 08:00:02 and 08:00:03.
    std::vector<LedgerRow> written = {
        row(kOct18 + 1, "main", "领取成功", OutcomeKind::given),
        row(kOct18 + 86400 + 2, "main", "领取失败，网络错误 50001", OutcomeKind::failed),
        row(kOct18 + 86400 + 3, "alt", "恭喜您获得了礼包：M4A1-雷神(1天)", OutcomeKind::given),
    };
    written[2].gifts = {"M4A1-雷神(1天)", "第二件"};
    {
        Ledger ledger;
        std::string error;
        ASSERT_TRUE(ledger.open(file, error)) << error;
        for (const auto& r : written) ASSERT_TRUE(ledger.record(r, error)) << error;
    }
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the ledger names QQ numbers: the user's alone";

    Ledger ledger;
    std::string error;
    ASSERT_TRUE(ledger.open(file, error)) << error;
    EXPECT_EQ(ledger.integrity_check(), "ok");
    EXPECT_EQ(ledger.all_rows(error), written);
    EXPECT_EQ(ledger.rows(kOct18 + 86400, "", error),
              (std::vector<LedgerRow>{written[1], written[2]}));
    EXPECT_EQ(ledger.rows(INT64_MIN, "main", error),
              (std::vector<LedgerRow>{written[0], written[1]}));
    EXPECT_EQ(ledger.rows(kOct18 + 2 * 86400, "", error), std::vector<LedgerRow>{});
    fs::remove_all(dir);
}

TEST(Ledger, AFileThatIsNoDatabaseIsAnError) {
    const fs::path dir = temp_folder("garbage");
    fs::create_directories(dir);
    std::ofstream(dir / "ledger.sqlite3") << std::string(4096, 'x');
    Ledger ledger;
    std::string error;
    EXPECT_FALSE(ledger.open(dir / "ledger.sqlite3", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ledger.record(row(kOct18, "", "x", OutcomeKind::given), error));
    fs::remove_all(dir);
}

TEST(Ledger, DataFolderFollowsTheEnvironment) {
    struct Case {
        const char *quillet, *xdg, *home, *expected;
    };
    const Case cases[] = {
        {"/t/data", "/x", "/h", "/t/data"},
        {nullptr, "/x", "/h", "/x/quillet"},
        {"", "relative", "/h", "/h/.local/share/quillet"},
        {nullptr, nullptr, "/h", "/h/.local/share/quillet"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(data_folder_for(c.quillet, c.xdg, c.home), fs::path(c.expected));
    }
}

TEST(PassSummary, JsonIsOneValidObjectWhateverTheTexts) {
    PassSummary s;
    s.account = "main";
    s.qq = "358791246";
    s.area = "上海\"电信\"\\一区\n";
    s.tried = 4;
    s.given = 2;
    s.nothing_given = 1;
    s.failed = 1;
    s.received = {"M4A1-雷神(1天)", std::string("bad \xff\xfe utf8\x01")};
    const std::string text = summary_json(s);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    std::string error;
    const auto json = sandbox::Json::parse(text, &error);
    ASSERT_TRUE(json) << error << "\n" << text;
    EXPECT_EQ(json->str("area"), s.area);
    EXPECT_EQ(json->num("tried"), 4);
    EXPECT_EQ(json->num("given"), 2);
    EXPECT_EQ(json->num("nothing_given"), 1);
    EXPECT_EQ(json->num("answered"), 3);  // kept for the scripts that read it
    EXPECT_EQ(json->num("failed"), 1);
    ASSERT_EQ((*json)["received"].size(), 2u);
    EXPECT_EQ((*json)["received"][0].text(), "M4A1-雷神(1天)");
    EXPECT_EQ((*json)["received"][1].text(), "bad \xEF\xBF\xBD\xEF\xBF\xBD utf8\x01");
    EXPECT_EQ(summary_line(s),
              "main (358791246): 4 tried, 2 given, 1 nothing given, 1 failed; received: " +
                  s.received[0] + ", " + s.received[1]);
}

TEST(PassSummary, AnInterruptedPassSaysWhichSignalAndHowFar) {
    PassSummary s;
    s.qq = "358791246";
    s.tried = 4;
    s.given = 3;
    s.nothing_given = 1;
    s.status = 130;
    EXPECT_EQ(summary_json(s).find("interrupted"), std::string::npos);
    s.interrupted = "SIGINT";
    s.entries_done = 3;
    s.entries = 24;
    const auto json = sandbox::Json::parse(summary_json(s));
    ASSERT_TRUE(json);
    EXPECT_EQ(json->str("interrupted"), "SIGINT");
    EXPECT_EQ(json->num("entries_done"), 3);
    EXPECT_EQ(json->num("entries"), 24);
    EXPECT_EQ(json->num("status"), 130);
    EXPECT_EQ(summary_line(s),
              "358791246: 4 tried, 3 given, 1 nothing given, 0 failed; interrupted (SIGINT) "
              "after 3 of 24 entries");
}

inline testing::BedOptions recorded_pass_options() {
    testing::BedOptions o;
    o.simulator = true;
    o.now = {2016, 10, 19, 10, 30, 0};
    o.config = fs::path();
    o.recording = false;
    return o;
}

// The simulator's demo account, signed in and bound to 上海电信一区.
class RecordedPass : public ::testing::Test, public testing::SessionBed {
  protected:
    RecordedPass() : SessionBed(recorded_pass_options()) {}

    void SetUp() override {
        ASSERT_GT(port, 0);
        prepare_claim_engine(s, cleaner_);
        sign_in_demo();
        ASSERT_TRUE(bind(320));
        dir_ = temp_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::string error;
        ASSERT_TRUE(ledger_.open(dir_ / "ledger.sqlite3", error)) << error;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // One pass watched by a recorder; its summary.
    PassSummary pass() {
        ClaimRecorder recorder(s, &ledger_, "main");
        lock_controls(s);
        run_claim_pass(s, catalogue_, cleaner_, client);
        EXPECT_EQ(recorder.ledger_error(), "");
        return recorder.summary();
    }

    MessageCleaner cleaner_;
    ActivityCatalogue catalogue_;
    Ledger ledger_;
    fs::path dir_;
};

// "colour|[提示][i/n]【group】【item】message", as the log shows an attempt.
std::string as_log_line(const LedgerRow& r, int i, int n) {
    std::string line = std::string(r.answered() ? "green" : "red") + "|[提示][" +
                       std::to_string(i) + "/" + std::to_string(n) + "]";
    if (!r.group.empty()) line += "【" + r.group + "】";
    if (!r.item.empty()) line += "【" + r.item + "】";
    return line + r.message;
}

// What the demo account's first pass of the day was given, in order: the
// names the answers gave (a lottery drawn three times, its three prizes),
// the entry's title where the answer named nothing ("领取成功").
const std::vector<std::string> kFirstPassGifts = {
    "每日签到礼包", "M4A1-雷神(1天)",      "经验加成卡(1天)",
    "200GP",        "AK47-火麒麟(3天)",    "AK47-火麒麟体验(1天)",
    "开学季礼包",   "心悦特权礼包",        "TGP每日启动礼包：火麒麟(1天)",
    "会员每日礼包", "CF黄金礼包(雷神1天)",
};

TEST_F(RecordedPass, RowsEqualThePassLogLinesAndTheSummaryNamesWhatWasGiven) {
    const PassSummary first = pass();
    std::vector<std::string> attempt_lines;
    for (const std::string& line : testing::log_lines_since(view, 0))
        if (line.find("|[提示][") != std::string::npos) attempt_lines.push_back(line);
    ASSERT_GE(attempt_lines.size(), 20u);

    std::string error;
    const std::vector<LedgerRow> rows = ledger_.all_rows(error);
    ASSERT_EQ(rows.size(), attempt_lines.size()) << error;
    for (size_t k = 0; k < rows.size(); ++k) {
        // The row does not keep i/n: take them from the line it must match.
        const std::string& line = attempt_lines[k];
        const size_t open = line.find("][") + 2, slash = line.find('/', open);
        const int i = std::stoi(line.substr(open, slash - open));
        const int n = std::stoi(line.substr(slash + 1));
        EXPECT_EQ(as_log_line(rows[k], i, n), line);
        // 2016-10-19 10:30:00 in China Standard Time.
        EXPECT_EQ(rows[k].at, kOct18 + 86400 + 2 * 3600 + 30 * 60);
        EXPECT_EQ(rows[k].utc_offset, 8 * 3600);
        EXPECT_EQ(rows[k].account, "main");
        EXPECT_EQ(rows[k].qq, "358791246");
        EXPECT_EQ(rows[k].area, "上海电信一区");
        EXPECT_FALSE(rows[k].protocol.empty());
        EXPECT_FALSE(rows[k].code.empty()) << line;
        EXPECT_FALSE(rows[k].outcome_derived);
    }
    // Given, refused and failed are counted apart; only the given are listed.
    EXPECT_EQ(first.tried, 25);
    EXPECT_EQ(first.given, 11);
    EXPECT_EQ(first.nothing_given, 7);
    EXPECT_EQ(first.failed, 7);
    EXPECT_EQ(first.received, kFirstPassGifts);
    EXPECT_EQ(std::count(first.received.begin(), first.received.end(), "周末狂欢抽奖"), 0);
    for (const char* protocol : {"AMS", "TGP", "VIP", "Qzone"})
        for (OutcomeKind kind :
             {OutcomeKind::given, OutcomeKind::nothing_given, OutcomeKind::failed})
            EXPECT_TRUE(std::any_of(
                rows.begin(), rows.end(),
                [&](const LedgerRow& r) { return r.protocol == protocol && r.outcome == kind; }))
                << protocol << " " << outcome_name(kind);

    // The same day again: the services refuse what was claimed, no draws are
    // left, and nothing is listed as received.
    const PassSummary second = pass();
    const std::vector<LedgerRow> all = ledger_.rows(kOct18 + 86400, "main", error);
    ASSERT_EQ(all.size(), rows.size() * 2);
    EXPECT_NE(all.front().pass, all.back().pass);
    EXPECT_TRUE(std::any_of(
        all.begin() + static_cast<std::ptrdiff_t>(rows.size()), all.end(), [](const LedgerRow& r) {
            return r.message == "您今天的抽奖次数已用完" && r.outcome == OutcomeKind::nothing_given;
        }));
    EXPECT_EQ(second.given, 0);
    EXPECT_EQ(second.received, std::vector<std::string>{});
    EXPECT_EQ(second.nothing_given + second.failed, second.tried);
    EXPECT_EQ(s.on_claim_attempt, nullptr) << "the recorder stops watching when it goes";
}

// A ledger file as the first version wrote it: local times without an
// offset, answered/failed and no outcome.
void write_first_version_ledger(const fs::path& file) {
    fs::create_directories(file.parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE attempts(id INTEGER PRIMARY KEY, time TEXT NOT NULL, day TEXT NOT NULL,"
        " account TEXT NOT NULL DEFAULT '', qq TEXT NOT NULL DEFAULT '',"
        " area TEXT NOT NULL DEFAULT '', area_id INTEGER NOT NULL DEFAULT 0,"
        " grp TEXT NOT NULL DEFAULT '', item TEXT NOT NULL DEFAULT '',"
        " protocol TEXT NOT NULL DEFAULT '', answered INTEGER NOT NULL,"
        " code TEXT NOT NULL DEFAULT '', message TEXT NOT NULL DEFAULT '',"
        " pass TEXT NOT NULL DEFAULT '');"
        "CREATE INDEX attempts_day ON attempts(day, account);"
        "INSERT INTO attempts(time, day, qq, grp, item, protocol, answered, code, message, pass)"
        " VALUES"
        " ('2016-10-19 19:42:05', '2016-10-19', '358791246', '每日登录有礼', '每日签到礼包',"
        "  'AMS', 1, '', '领取成功', 'p'),"
        " ('2016-10-19 19:42:06', '2016-10-19', '358791246', '每日登录有礼', '周末狂欢抽奖',"
        "  'AMS', 1, '', '您今天的抽奖次数已用完', 'p'),"
        " ('2016-10-19 19:42:07', '2016-10-19', '358791246', 'TGP专属特权', '每日启动礼包',"
        "  'TGP', 1, '', 'TGP每日启动礼包：火麒麟(1天)', 'p'),"
        " ('2016-10-19 19:42:08', '2016-10-19', '358791246', '新版本狂欢', '版本预热礼包',"
        "  'AMS', 0, '50001', '领取失败，网络错误 50001', 'p');"
        "PRAGMA user_version=1;";
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK)
        << (message != nullptr ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

TEST(Ledger, AFirstVersionFileIsUpgradedInPlaceWithDerivedOutcomes) {
    const fs::path dir = temp_folder("upgrade");
    const fs::path file = dir / "ledger.sqlite3";
    write_first_version_ledger(file);

    FixedClock shanghai;  // the machine's zone at the upgrade: +08:00
    std::string error;
    {
        Ledger ledger;
        ASSERT_TRUE(ledger.open(file, error, shanghai)) << error;
        EXPECT_EQ(ledger.integrity_check(), "ok");
        const auto rows = ledger.all_rows(error);
        ASSERT_EQ(rows.size(), 4u) << error;
        const int64_t at = kOct18 + 86400 + 11 * 3600 + 42 * 60 + 5;  // 19:42:05 +08:00
        const std::pair<OutcomeKind, std::string> expected[] = {
            {OutcomeKind::given, "领取成功"},
            {OutcomeKind::nothing_given, "您今天的抽奖次数已用完"},
            {OutcomeKind::given, "TGP每日启动礼包：火麒麟(1天)"},
            {OutcomeKind::failed, "领取失败，网络错误 50001"},
        };
        for (size_t k = 0; k < rows.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(rows[k].outcome, expected[k].first);
            EXPECT_EQ(rows[k].message, expected[k].second);
            EXPECT_TRUE(rows[k].outcome_derived);
            EXPECT_EQ(rows[k].at, at + static_cast<int64_t>(k));
            EXPECT_EQ(rows[k].utc_offset, 8 * 3600);
        }
        EXPECT_EQ(rows[3].code, "50001");
        // New rows after the old ones carry their own outcome.
        LedgerRow fresh = row(at + 60, "", "领取成功", OutcomeKind::given);
        ASSERT_TRUE(ledger.record(fresh, error)) << error;
    }
    // Opened again (by a machine in another zone): nothing is upgraded twice.
    FixedClock utc;
    utc.set_utc_offset(0);
    Ledger again;
    ASSERT_TRUE(again.open(file, error, utc)) << error;
    const auto rows = again.all_rows(error);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].at, kOct18 + 86400 + 11 * 3600 + 42 * 60 + 5);
    EXPECT_FALSE(rows[4].outcome_derived);
    const std::string head =
        "2016-10-19: 5 attempts, 3 given, 1 nothing given, 1 failed\n  11:42:05 358791246  AMS "
        "given (derived) 【每日登录有礼】【每日签到礼包】领取成功\n";
    EXPECT_EQ(history_plain(rows, utc).substr(0, head.size()), head);

    // The file says so to any reader: local time with its offset, the kind.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT time, outcome FROM attempts ORDER BY id LIMIT 1", -1,
                                 &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                 "2016-10-19 19:42:05+08:00");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "given");
    sqlite3_finalize(st);
    sqlite3_close(db);
    fs::remove_all(dir);
}

// A pass recorded by a timer under Asia/Shanghai, read back under UTC after
// a later pass made under UTC: each row reads in the reader's zone, and the
// rows sort by when they happened.
TEST(Ledger, RowsWrittenInOneZoneReadAndSortRightInAnother) {
    const fs::path dir = temp_folder("zones");
    FixedClock shanghai({2016, 10, 19, 19, 42, 0});
    FixedClock utc({2016, 10, 19, 12, 0, 0});
    utc.set_utc_offset(0);
    auto at_now = [](const Clock& c) { return c.utc_of(c.now()); };
    std::string error;
    {
        Ledger ledger;
        ASSERT_TRUE(ledger.open(dir / "ledger.sqlite3", error, shanghai)) << error;
        LedgerRow later = row(at_now(utc), "", "领取成功", OutcomeKind::given);
        later.utc_offset = 0;
        later.item = "later";
        LedgerRow earlier = row(at_now(shanghai), "", "领取成功", OutcomeKind::given);
        earlier.item = "earlier";
        // Written out of order (two processes), read in the order they happened.
        ASSERT_TRUE(ledger.record(later, error)) << error;
        ASSERT_TRUE(ledger.record(earlier, error)) << error;
    }
    Ledger ledger;
    ASSERT_TRUE(ledger.open(dir / "ledger.sqlite3", error, utc)) << error;
    const auto rows = ledger.rows(start_of_day(utc, "2016-10-19"), "", error);
    ASSERT_EQ(rows.size(), 2u) << error;
    EXPECT_EQ(rows[0].item, "earlier");
    EXPECT_EQ(local_time_text(utc, rows[0].at), "2016-10-19 11:42:00");
    EXPECT_EQ(local_time_text(shanghai, rows[0].at), "2016-10-19 19:42:00");
    const std::string json = history_json(rows[0], utc);
    EXPECT_NE(json.find(R"("time":"2016-10-19 11:42:00","day":"2016-10-19",)"
                        R"("utc":"2016-10-19T11:42:00Z")"),
              std::string::npos)
        << json;
    // The Shanghai day of 2016-10-20 began at 16:00 UTC on the 19th.
    EXPECT_EQ(start_of_day(shanghai, "2016-10-20"), kOct18 + 86400 + 16 * 3600);

    // The machine's own zone, as the programs read it.
    const char* saved = std::getenv("TZ");
    const std::string old_tz = saved != nullptr ? saved : "";
    ::setenv("TZ", "Asia/Shanghai", 1);
    ::tzset();
    SystemClock system;
    EXPECT_EQ(system.utc_of({2016, 10, 19, 19, 42, 0}), at_now(shanghai));
    EXPECT_EQ(system.local_of(at_now(shanghai)), (DateTime{2016, 10, 19, 19, 42, 0}));
    if (saved != nullptr)
        ::setenv("TZ", old_tz.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quillet
