#pragma once
// The claim ledger: one row per claim attempt, written as it happens and kept
// in an SQLite file in the program's data folder. Each row is committed on its
// own (write-ahead log), so a pass killed half-way keeps every attempt made
// before it died. It holds what the log showed, never a cookie.
#include <filesystem>
#include <string>
#include <vector>

struct sqlite3;

namespace quillet {

struct LedgerRow {
    std::string time;     // local "yyyy-MM-dd HH:mm:ss"
    std::string account;  // the profile name; empty without one
    std::string qq;
    std::string area;  // region name, UTF-8
    int area_id = 0;
    std::string group, item;  // UTF-8
    std::string protocol;     // "AMS", "TGP", "VIP", "Qzone"
    bool answered = false;
    std::string code;     // failure code; empty when none is known
    std::string message;  // the cleaned message, UTF-8
    std::string pass;     // the pass the attempt belongs to (its start time and process)

    std::string day() const { return time.substr(0, 10); }
    friend bool operator==(const LedgerRow&, const LedgerRow&) = default;
};

class Ledger {
  public:
    Ledger() = default;
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    // Opens (creating folder, file and table when missing) the ledger file;
    // false with a one-line reason.
    bool open(const std::filesystem::path& file, std::string& error);
    bool is_open() const { return db_ != nullptr; }
    void close();

    // Appends one row in its own transaction.
    bool record(const LedgerRow& row, std::string& error);

    // Rows from day from_day ("yyyy-MM-dd", inclusive; empty = all) in the
    // order written; account empty = every account.
    std::vector<LedgerRow> rows(const std::string& from_day, const std::string& account,
                                std::string& error) const;

    // SQLite's own check of the file ("ok" when sound).
    std::string integrity_check() const;

  private:
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
