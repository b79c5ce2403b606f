#pragma once
// The claim ledger: one row per claim attempt, written as it happens and kept
// in an SQLite file in the program's data folder. Each row is committed on its
// own (write-ahead log), so a pass killed half-way keeps every attempt made
// before it died. It holds what the log showed, never a cookie.
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "session/claim_attempt.h"
#include "text/clock.h"

struct sqlite3;

namespace quillet {

struct LedgerRow {
    int64_t at = 0;       // the instant of the attempt, seconds since 1970-01-01 UTC
    int utc_offset = 0;   // the writer's zone then, seconds east of UTC
    std::string account;  // the profile name; empty without one
    std::string qq;
    std::string area;  // region name, UTF-8
    int area_id = 0;
    std::string group, item;  // UTF-8
    std::string protocol;     // "AMS", "TGP", "VIP", "Qzone"
    OutcomeKind outcome = OutcomeKind::failed;
    // Rows kept before outcomes were: their outcome was read at the upgrade
    // from answered/failed and the message's words, not told by the service.
    bool outcome_derived = false;
    std::string code;                // the server's code, or the failure number
    std::string message;             // the cleaned message, UTF-8
    std::vector<std::string> gifts;  // what the answer said was given, UTF-8
    std::string pass;                // the pass the attempt belongs to (its start time and process)

    bool answered() const { return outcome != OutcomeKind::failed; }
    friend bool operator==(const LedgerRow&, const LedgerRow&) = default;
};

// "yyyy-MM-dd HH:mm:ss" of instant at in the clock's zone: how a row reads.
std::string local_time_text(const Clock& clock, int64_t at);
// "yyyy-MM-dd" of instant at in the clock's zone.
std::string local_day_text(const Clock& clock, int64_t at);
// "yyyy-MM-dd HH:mm:ss+08:00": the writer's local time with its offset.
std::string time_with_offset(int64_t at, int utc_offset);
// The first instant of local day day ("yyyy-MM-dd") in the clock's zone.
int64_t start_of_day(const Clock& clock, const std::string& day);

class Ledger {
  public:
    Ledger() = default;
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    // Opens (creating folder, file and table when missing) the ledger file;
    // false with a one-line reason. A file of an older program is upgraded
    // in place; clock's zone is the one its local times were written in.
    bool open(const std::filesystem::path& file, std::string& error,
              const Clock& clock = system_clock());
    bool is_open() const { return db_ != nullptr; }
    void close();

    // Appends one row in its own transaction.
    bool record(const LedgerRow& row, std::string& error);

    // Rows from instant since on (inclusive), oldest first; account empty =
    // every account.
    std::vector<LedgerRow> rows(int64_t since, const std::string& account,
                                std::string& error) const;
    std::vector<LedgerRow> all_rows(std::string& error) const { return rows(INT64_MIN, "", error); }

    // SQLite's own check of the file ("ok" when sound).
    std::string integrity_check() const;

  private:
    bool upgrade(const Clock& clock, std::string& error);

    sqlite3* db_ = nullptr;
};

// The program's data folder: $QUILLET_DATA_HOME, else $XDG_DATA_HOME/quillet,
// else ~/.local/share/quillet.
std::filesystem::path data_folder_for(const char* quillet_data_home, const char* xdg_data_home,
                                      const char* home);
std::filesystem::path default_data_folder();
// data folder / "ledger.sqlite3".
std::filesystem::path default_ledger_path();

}  // namespace quillet
