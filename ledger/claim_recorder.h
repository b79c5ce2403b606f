#pragma once
// Watches a session's claim pass: writes each attempt to the ledger as it
// happens and gathers the pass's summary.
#include <mutex>
#include <string>

#include "ledger/ledger.h"
#include "ledger/pass_summary.h"

namespace quillet {

struct Session;
struct ClaimAttempt;

class ClaimRecorder {
  public:
    // Watches s from now until destroyed; ledger may be null (summary only).
    // account is the profile name (empty without one).
    ClaimRecorder(Session& s, Ledger* ledger, std::string account);
    ~ClaimRecorder();
    ClaimRecorder(const ClaimRecorder&) = delete;
    ClaimRecorder& operator=(const ClaimRecorder&) = delete;

    // The summary so far, finished now.
    PassSummary summary() const;
    // The first failure to write a row (UTF-8); empty while every row was kept.
    std::string ledger_error() const;

    // The ledger row of attempt a in session s at its clock's now (texts to UTF-8).
    static LedgerRow row_of(const Session& s, const ClaimAttempt& a, const std::string& account,
                            const std::string& pass);

  private:
    void on_attempt(const ClaimAttempt& a);

    Session& s_;
    Ledger* ledger_;
    mutable std::mutex mutex_;
    PassSummary summary_;
    std::string pass_;
    std::string ledger_error_;
};

// Local "yyyy-MM-dd HH:mm:ss" of the session's clock.
std::string ledger_time_now(const Session& s);

}  // namespace quillet
