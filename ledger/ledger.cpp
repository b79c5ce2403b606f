#include "ledger/ledger.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "claim/outcome_text.h"
#include "platform/folders.h"
#include "platform/private_files.h"

namespace quillet {
namespace {

// time is the writer's local time with its offset, day the writer's local
// day (both for a person reading the file); at is the instant rows are
// ordered and chosen by.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS attempts("
    " id INTEGER PRIMARY KEY,"
    " time TEXT NOT NULL,"
    " day TEXT NOT NULL,"
    " account TEXT NOT NULL DEFAULT '',"
    " qq TEXT NOT NULL DEFAULT '',"
    " area TEXT NOT NULL DEFAULT '',"
    " area_id INTEGER NOT NULL DEFAULT 0,"
    " grp TEXT NOT NULL DEFAULT '',"
    " item TEXT NOT NULL DEFAULT '',"
    " protocol TEXT NOT NULL DEFAULT '',"
    " answered INTEGER NOT NULL,"
    " code TEXT NOT NULL DEFAULT '',"
    " message TEXT NOT NULL DEFAULT '',"
    " pass TEXT NOT NULL DEFAULT '',"
    " at INTEGER NOT NULL DEFAULT 0,"
    " utc_offset INTEGER NOT NULL DEFAULT 0,"
    " outcome TEXT NOT NULL DEFAULT '',"
    " outcome_derived INTEGER NOT NULL DEFAULT 0,"
    " gifts TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX IF NOT EXISTS attempts_day ON attempts(day, account);";

// The columns the first ledger lacked.
constexpr const char* kAddedColumns[] = {
    "at INTEGER NOT NULL DEFAULT 0",    "utc_offset INTEGER NOT NULL DEFAULT 0",
    "outcome TEXT NOT NULL DEFAULT ''", "outcome_derived INTEGER NOT NULL DEFAULT 0",
    "gifts TEXT NOT NULL DEFAULT ''",
};

constexpr int kVersion = 2;

// Gift names are one line each.
std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        if (!out.empty()) out += '\n';
        for (char c : n) out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string date_text(const DateTime& t, bool with_time) {
    char buf[32];
    if (with_time)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

std::string last_error(sqlite3* db, const std::string& what) {
    return what + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory");
}

// A prepared statement released on every path.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &st_, nullptr); }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return st_ != nullptr; }
    sqlite3_stmt* get() const { return st_; }
    void text(int i, const std::string& v) {
        sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    void integer(int i, int64_t v) { sqlite3_bind_int64(st_, i, v); }
    std::string column(int i) const {
        const auto* p = sqlite3_column_text(st_, i);
        return p != nullptr ? std::string(reinterpret_cast<const char*>(p),
                                          static_cast<size_t>(sqlite3_column_bytes(st_, i)))
                            : std::string();
    }

  private:
    sqlite3_stmt* st_ = nullptr;
};

}  // namespace

std::string local_time_text(const Clock& clock, int64_t at) {
    return date_text(clock.local_of(at), true);
}

std::string local_day_text(const Clock& clock, int64_t at) {
    return date_text(clock.local_of(at), false);
}

std::string time_with_offset(int64_t at, int utc_offset) {
    const int minutes = (utc_offset < 0 ? -utc_offset : utc_offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", utc_offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return date_text(civil_from_seconds(at + utc_offset), true) + zone;
}

int64_t start_of_day(const Clock& clock, const std::string& day) {
    DateTime t{};
    if (std::sscanf(day.c_str(), "%d-%d-%d", &t.year, &t.month, &t.day) != 3) return INT64_MIN;
    return clock.utc_of(t);
}

Ledger::~Ledger() {
    close();
}

void Ledger::close() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Ledger::open(const std::filesystem::path& file, std::string& error, const Clock& clock) {
    close();
    std::error_code ec;
    const std::filesystem::path folder = file.parent_path();
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            error = "cannot create the folder " + folder.string() + ": " + ec.message();
            return false;
        }
        // The ledger names the player's QQ numbers: the folder is the user's alone.
        platform::make_private(folder);
    }
    const bool existed = std::filesystem::exists(file, ec);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(platform::utf8_of_path(file).c_str(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = last_error(db, "cannot open the ledger " + file.string());
        sqlite3_close_v2(db);
        return false;
    }
    db_ = db;
    if (!existed) platform::make_private(file);  // the WAL and shared-memory files follow it
    // Another pass (the window and a timer, say) may be writing at the same
    // moment: wait for its one-row transaction rather than fail.
    sqlite3_busy_timeout(db_, 5000);
    char* message = nullptr;
    const std::string setup =
        std::string("PRAGMA journal_mode=WAL;PRAGMA synchronous=NORMAL;") + kSchema;
    if (sqlite3_exec(db_, setup.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = "cannot prepare the ledger " + file.string() + ": " +
                (message != nullptr ? message : "unknown error");
        sqlite3_free(message);
        close();
        return false;
    }
    if (!upgrade(clock, error)) {
        error = "cannot upgrade the ledger " + file.string() + ": " + error;
        close();
        return false;
    }
    return true;
}

// A ledger of the first version has neither instants nor outcomes. Its times
// were written as the machine's local time without an offset: they are read
// as the local time of this machine now, the best that can be known of them.
// Its outcomes are read from answered/failed and the message's words and
// marked as derived. One transaction: a reader sees the old file or the new.
bool Ledger::upgrade(const Clock& clock, std::string& error) {
    auto exec = [&](const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
        error = message != nullptr ? message : "unknown error";
        sqlite3_free(message);
        return false;
    };
    auto has_instants = [&] {
        Statement st(db_, "SELECT 1 FROM pragma_table_info('attempts') WHERE name = 'at'");
        return st && sqlite3_step(st.get()) == SQLITE_ROW;
    };
    if (!has_instants()) {
        // Another process may be upgrading the same file: the write lock
        // first, then look again.
        if (!exec("BEGIN IMMEDIATE")) return false;
        bool ok = true;
        if (!has_instants()) {
            for (const char* column : kAddedColumns)
                ok = ok && exec(std::string("ALTER TABLE attempts ADD COLUMN ") + column);
            struct Old {
                int64_t id;
                std::string time, protocol, message;
                bool answered;
            };
            std::vector<Old> old;
            {
                Statement read(db_, "SELECT id, time, protocol, answered, message FROM attempts");
                ok = ok && read;
                while (ok && sqlite3_step(read.get()) == SQLITE_ROW)
                    old.push_back({sqlite3_column_int64(read.get(), 0), read.column(1),
                                   read.column(2), read.column(4),
                                   sqlite3_column_int(read.get(), 3) != 0});
            }
            Statement write(db_,
                            "UPDATE attempts SET at = ?1, utc_offset = ?2, time = ?3,"
                            " outcome = ?4, outcome_derived = 1 WHERE id = ?5");
            ok = ok && write;
            for (size_t k = 0; ok && k < old.size(); ++k) {
                const Old& o = old[k];
                DateTime t;
                int64_t at = 0;  // a time this program never wrote: the oldest
                if (std::sscanf(o.time.c_str(), "%d-%d-%d %d:%d:%d", &t.year, &t.month, &t.day,
                                &t.hour, &t.minute, &t.second) == 6)
                    at = clock.utc_of(t);
                const int offset = utc_offset_at(clock, at);
                const OutcomeKind kind =
                    o.answered ? outcome_of_text(o.protocol, o.message) : OutcomeKind::failed;
                sqlite3_reset(write.get());
                write.integer(1, at);
                write.integer(2, offset);
                write.text(3, time_with_offset(at, offset));
                write.text(4, std::string(outcome_name(kind)));
                write.integer(5, o.id);
                ok = sqlite3_step(write.get()) == SQLITE_DONE;
                if (!ok) error = sqlite3_errmsg(db_);
            }
        }
        if (!ok) {
            if (error.empty()) error = sqlite3_errmsg(db_);
            exec("ROLLBACK");
            return false;
        }
        if (!exec("COMMIT")) return false;
    }
    return exec("CREATE INDEX IF NOT EXISTS attempts_at ON attempts(at);PRAGMA user_version=" +
                std::to_string(kVersion) + ";");
}

bool Ledger::record(const LedgerRow& row, std::string& error) {
    if (db_ == nullptr) {
        error = "the ledger is not open";
        return false;
    }
    Statement st(db_,
                 "INSERT INTO attempts(time, day, account, qq, area, area_id, grp, item, protocol,"
                 " answered, code, message, pass, at, utc_offset, outcome, outcome_derived, gifts)"
                 " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!st) {
        error = last_error(db_, "cannot write to the ledger");
        return false;
    }
    st.text(1, time_with_offset(row.at, row.utc_offset));
    st.text(2, time_with_offset(row.at, row.utc_offset).substr(0, 10));
    st.text(3, row.account);
    st.text(4, row.qq);
    st.text(5, row.area);
    sqlite3_bind_int(st.get(), 6, row.area_id);
    st.text(7, row.group);
    st.text(8, row.item);
    st.text(9, row.protocol);
    sqlite3_bind_int(st.get(), 10, row.answered() ? 1 : 0);
    st.text(11, row.code);
    st.text(12, row.message);
    st.text(13, row.pass);
    st.integer(14, row.at);
    st.integer(15, row.utc_offset);
    st.text(16, std::string(outcome_name(row.outcome)));
    st.integer(17, row.outcome_derived ? 1 : 0);
    st.text(18, joined(row.gifts));
    // Outside an explicit transaction the insert commits on its own.
    if (sqlite3_step(st.get()) != SQLITE_DONE) {
        error = last_error(db_, "cannot write to the ledger");
        return false;
    }
    return true;
}

std::vector<LedgerRow> Ledger::rows(int64_t since, const std::string& account,
                                    std::string& error) const {
    std::vector<LedgerRow> out;
    if (db_ == nullptr) {
        error = "the ledger is not open";
        return out;
    }
    Statement st(db_,
                 "SELECT at, utc_offset, account, qq, area, area_id, grp, item, protocol, answered,"
                 " outcome, outcome_derived, code, message, gifts, pass FROM attempts"
                 " WHERE at >= ?1 AND (?2 = '' OR account = ?2) ORDER BY at, id");
    if (!st) {
        error = last_error(db_, "cannot read the ledger");
        return out;
    }
    st.integer(1, since);
    st.text(2, account);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        LedgerRow r;
        r.at = sqlite3_column_int64(st.get(), 0);
        r.utc_offset = sqlite3_column_int(st.get(), 1);
        r.account = st.column(2);
        r.qq = st.column(3);
        r.area = st.column(4);
        r.area_id = sqlite3_column_int(st.get(), 5);
        r.group = st.column(6);
        r.item = st.column(7);
        r.protocol = st.column(8);
        const bool answered = sqlite3_column_int(st.get(), 9) != 0;
        // A row written by a later program with a kind this one does not know
        // says at least whether it was answered.
        r.outcome = outcome_of_name(st.column(10))
                        .value_or(answered ? OutcomeKind::nothing_given : OutcomeKind::failed);
        r.outcome_derived = sqlite3_column_int(st.get(), 11) != 0;
        r.code = st.column(12);
        r.message = st.column(13);
        r.gifts = split_lines(st.column(14));
        r.pass = st.column(15);
        out.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) error = last_error(db_, "cannot read the ledger");
    return out;
}

std::string Ledger::integrity_check() const {
    if (db_ == nullptr) return "not open";
    Statement st(db_, "PRAGMA integrity_check");
    if (!st || sqlite3_step(st.get()) != SQLITE_ROW) return last_error(db_, "integrity_check");
    return st.column(0);
}

std::filesystem::path data_folder_for(const char* quillet_data_home, const char* xdg_data_home,
                                      const char* home) {
    if (quillet_data_home != nullptr && *quillet_data_home != '\0') return quillet_data_home;
    // XDG: a relative value is invalid and ignored.
    if (xdg_data_home != nullptr && *xdg_data_home == '/')
        return std::filesystem::path(xdg_data_home) / "quillet";
    if (home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".local" / "share" / "quillet";
    return std::filesystem::path(".local") / "share" / "quillet";
}

std::filesystem::path default_data_folder() {
    const auto own = platform::env("QUILLET_DATA_HOME");
    if (own && !own->empty()) return platform::path_from_utf8(*own);
    const auto home = platform::user_data_home();
    return (home ? *home : std::filesystem::path(".local") / "share") / "quillet";
}

std::filesystem::path default_ledger_path() {
    return default_data_folder() / "ledger.sqlite3";
}

}  // namespace quillet
