// The claim ledger and the pass summary: rows kept across reopening, the
// rows of a real pass against the simulator matching its log lines, and the
// reading of failure codes and received items.
#include "ledger/ledger.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "claim/claim_config.h"
#include "claim/claim_pass.h"
#include "ledger/claim_recorder.h"
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

LedgerRow row(std::string time, std::string account, std::string message, bool answered) {
    LedgerRow r;
    r.time = std::move(time);
    r.account = std::move(account);
    r.qq = "358791246";
    r.area = "上海电信一区";
    r.area_id = 320;
    r.group = "每日登录有礼";
    r.item = "签到 \"礼包\"";
    r.protocol = "AMS";
    r.answered = answered;
    r.message = std::move(message);
    r.code = failure_code(answered, "", r.message);
    r.pass = "p1";
    return r;
}

TEST(Ledger, KeepsRowsAcrossReopeningAndFiltersByDayAndAccount) {
    const fs::path dir = temp_folder("reopen");
    const fs::path file = dir / "sub" / "ledger.sqlite3";
    const std::vector<LedgerRow> written = {
        row("2016-10-18 08:00:01", "main", "领取成功", true),
        row("2016-10-19 08:00:02", "main", "领取失败，网络错误 50001", false),
        row("2016-10-19 08:00:03", "alt", "恭喜您获得了礼包：M4A1-雷神(1天)", true),
    };
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
    EXPECT_EQ(ledger.rows("", "", error), written);
    EXPECT_EQ(ledger.rows("2016-10-19", "", error),
              (std::vector<LedgerRow>{written[1], written[2]}));
    EXPECT_EQ(ledger.rows("", "main", error), (std::vector<LedgerRow>{written[0], written[1]}));
    EXPECT_EQ(ledger.rows("2016-10-20", "", error), std::vector<LedgerRow>{});
    EXPECT_EQ(written[1].code, "50001");
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
    EXPECT_FALSE(ledger.record(row("2016-10-19 08:00:00", "", "x", true), error));
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

TEST(PassSummary, FailureCodesAndReceivedItems) {
    struct Case {
        bool answered;
        std::string code, message, expected_code;
        bool received;
    };
    const Case cases[] = {
        {false, "1-5003", "领取失败，绑定错误，错误码：1-5003", "1-5003", false},
        {false, "", "领取失败，网络错误 50001", "50001", false},
        {false, "", "领取失败，请求错误(-105)", "-105", false},
        {false, "", "领取失败", "", false},
        {true, "", "恭喜您获得了礼包：M4A1-雷神(1天)", "", true},
        {true, "", "心悦特权礼包已发放至您的游戏仓库", "", true},
        {true, "", "非常抱歉，您今天已经领取过该礼包了，不能重复领取！", "", false},
        {true, "", "您已经领取过该礼包", "", false},
        {true, "", "领取机会不足", "", false},
        {true, "", "您已抽取过该奖励，请明天再试", "", false},
        {true, "", "您在今天还未通过TGP启动过CF游戏", "", false},
        {true, "", "心悦等级达到2级后可领取", "", false},
        {true, "", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(failure_code(c.answered, c.code, c.message), c.expected_code);
        if (c.answered) {
            EXPECT_EQ(counts_as_received(c.message), c.received);
        }
    }
}

TEST(PassSummary, JsonIsOneValidObjectWhateverTheTexts) {
    PassSummary s;
    s.account = "main";
    s.qq = "358791246";
    s.area = "上海\"电信\"\\一区\n";
    s.tried = 3;
    s.answered = 2;
    s.failed = 1;
    s.received = {"M4A1-雷神(1天)", std::string("bad \xff\xfe utf8\x01")};
    const std::string text = summary_json(s);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    std::string error;
    const auto json = sandbox::Json::parse(text, &error);
    ASSERT_TRUE(json) << error << "\n" << text;
    EXPECT_EQ(json->str("area"), s.area);
    EXPECT_EQ(json->num("tried"), 3);
    EXPECT_EQ(json->num("failed"), 1);
    ASSERT_EQ((*json)["received"].size(), 2u);
    EXPECT_EQ((*json)["received"][0].text(), "M4A1-雷神(1天)");
    EXPECT_EQ((*json)["received"][1].text(), "bad \xEF\xBF\xBD\xEF\xBF\xBD utf8\x01");
    EXPECT_EQ(summary_line(s), "main (358791246): 3 tried, 2 answered, 1 failed; received: " +
                                   s.received[0] + ", " + s.received[1]);
}

TEST(PassSummary, AnInterruptedPassSaysWhichSignalAndHowFar) {
    PassSummary s;
    s.qq = "358791246";
    s.tried = 4;
    s.answered = 4;
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
              "358791246: 4 tried, 4 answered, 0 failed; interrupted (SIGINT) "
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
    std::string line = std::string(r.answered ? "green" : "red") + "|[提示][" + std::to_string(i) +
                       "/" + std::to_string(n) + "]";
    if (!r.group.empty()) line += "【" + r.group + "】";
    if (!r.item.empty()) line += "【" + r.item + "】";
    return line + r.message;
}

TEST_F(RecordedPass, RowsEqualThePassLogLinesAndTheSecondPassShowsItsRefusals) {
    const PassSummary first = pass();
    std::vector<std::string> attempt_lines;
    for (const std::string& line : testing::log_lines_since(view, 0))
        if (line.find("|[提示][") != std::string::npos) attempt_lines.push_back(line);
    ASSERT_GE(attempt_lines.size(), 20u);

    std::string error;
    const std::vector<LedgerRow> rows = ledger_.rows("", "", error);
    ASSERT_EQ(rows.size(), attempt_lines.size()) << error;
    for (size_t k = 0; k < rows.size(); ++k) {
        // The row does not keep i/n: take them from the line it must match.
        const std::string& line = attempt_lines[k];
        const size_t open = line.find("][") + 2, slash = line.find('/', open);
        const int i = std::stoi(line.substr(open, slash - open));
        const int n = std::stoi(line.substr(slash + 1));
        EXPECT_EQ(as_log_line(rows[k], i, n), line);
        EXPECT_EQ(rows[k].time, "2016-10-19 10:30:00");
        EXPECT_EQ(rows[k].account, "main");
        EXPECT_EQ(rows[k].qq, "358791246");
        EXPECT_EQ(rows[k].area, "上海电信一区");
        EXPECT_FALSE(rows[k].protocol.empty());
        EXPECT_EQ(rows[k].code.empty(), rows[k].answered) << line;
    }
    EXPECT_EQ(first.tried, static_cast<int>(rows.size()));
    EXPECT_EQ(first.answered + first.failed, first.tried);
    EXPECT_NE(std::find(first.received.begin(), first.received.end(), "在线30分钟礼包"),
              first.received.end());
    for (const char* protocol : {"AMS", "TGP", "VIP", "Qzone"})
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const LedgerRow& r) {
            return r.protocol == protocol;
        })) << protocol;

    // The same day again: the services refuse what was claimed.
    const PassSummary second = pass();
    const std::vector<LedgerRow> all = ledger_.rows("2016-10-19", "main", error);
    ASSERT_EQ(all.size(), rows.size() * 2);
    EXPECT_NE(all.front().pass, all.back().pass);
    EXPECT_TRUE(std::any_of(
        all.begin() + static_cast<std::ptrdiff_t>(rows.size()), all.end(),
        [](const LedgerRow& r) { return r.message.find("已经领取过") != std::string::npos; }));
    EXPECT_LT(second.received.size(), first.received.size());
    EXPECT_EQ(s.on_claim_attempt, nullptr) << "the recorder stops watching when it goes";
}

}  // namespace
}  // namespace quillet
