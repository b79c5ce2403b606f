#include "ledger/ledger.h"

#include <sqlite3.h>

#include <system_error>

#include "platform/folders.h"
#include "platform/private_files.h"

namespace quillet {
namespace {

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
    " pass TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX IF NOT EXISTS attempts_day ON attempts(day, account);";

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

Ledger::~Ledger() {
    close();
}

void Ledger::close() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Ledger::open(const std::filesystem::path& file, std::string& error) {
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
    const std::string setup = std::string("PRAGMA journal_mode=WAL;PRAGMA synchronous=NORMAL;") +
                              kSchema + "PRAGMA user_version=1;";
    if (sqlite3_exec(db_, setup.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = "cannot prepare the ledger " + file.string() + ": " +
                (message != nullptr ? message : "unknown error");
        sqlite3_free(message);
        close();
        return false;
    }
    return true;
}

bool Ledger::record(const LedgerRow& row, std::string& error) {
    if (db_ == nullptr) {
        error = "the ledger is not open";
        return false;
    }
    Statement st(db_,
                 "INSERT INTO attempts(time, day, account, qq, area, area_id, grp, item, protocol,"
                 " answered, code, message, pass) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!st) {
        error = last_error(db_, "cannot write to the ledger");
        return false;
    }
    st.text(1, row.time);
    st.text(2, row.day());
    st.text(3, row.account);
    st.text(4, row.qq);
    st.text(5, row.area);
    sqlite3_bind_int(st.get(), 6, row.area_id);
    st.text(7, row.group);
    st.text(8, row.item);
    st.text(9, row.protocol);
    sqlite3_bind_int(st.get(), 10, row.answered ? 1 : 0);
    st.text(11, row.code);
    st.text(12, row.message);
    st.text(13, row.pass);
    // Outside an explicit transaction the insert commits on its own.
    if (sqlite3_step(st.get()) != SQLITE_DONE) {
        error = last_error(db_, "cannot write to the ledger");
        return false;
    }
    return true;
}

std::vector<LedgerRow> Ledger::rows(const std::string& from_day, const std::string& account,
                                    std::string& error) const {
    std::vector<LedgerRow> out;
    if (db_ == nullptr) {
        error = "the ledger is not open";
        return out;
    }
    Statement st(db_,
                 "SELECT time, account, qq, area, area_id, grp, item, protocol, answered, code,"
                 " message, pass FROM attempts WHERE day >= ?1 AND (?2 = '' OR account = ?2)"
                 " ORDER BY id");
    if (!st) {
        error = last_error(db_, "cannot read the ledger");
        return out;
    }
    st.text(1, from_day);
    st.text(2, account);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        LedgerRow r;
        r.time = st.column(0);
        r.account = st.column(1);
        r.qq = st.column(2);
        r.area = st.column(3);
        r.area_id = sqlite3_column_int(st.get(), 4);
        r.group = st.column(5);
        r.item = st.column(6);
        r.protocol = st.column(7);
        r.answered = sqlite3_column_int(st.get(), 8) != 0;
        r.code = st.column(9);
        r.message = st.column(10);
        r.pass = st.column(11);
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
