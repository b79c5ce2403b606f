#pragma once
// Everything a claim pass does for a player who claims every day, around the
// pass itself: the ledger row of each attempt, and at the end the summary,
// shown, handed to the notification command and (for a pass run on behalf
// of --all-accounts) sent to the parent.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ledger/claim_recorder.h"
#include "ledger/ledger.h"
#include "ledger/pass_summary.h"

namespace quillet {

struct Session;

struct DailyPassOptions {
    std::string account;                          // profile name; empty without one
    std::optional<std::filesystem::path> ledger;  // else default_ledger_path()
    std::optional<std::string> notify_cmd;        // run through /bin/sh -c
    int notify_limit_ms = 10000;
};

// The environment variable naming the descriptor a pass writes its summary
// to (two lines: the plain line, then the JSON object) when a parent runs it.
inline constexpr const char* kSummaryFdVariable = "QUILLET_SUMMARY_FD";

class DailyPass {
  public:
    // Opens the ledger and watches s's claim attempts. A ledger that cannot
    // be opened costs the record, never the claim: see warning().
    DailyPass(Session& s, DailyPassOptions options);
    ~DailyPass();
    DailyPass(const DailyPass&) = delete;
    DailyPass& operator=(const DailyPass&) = delete;

    // Why the ledger keeps no record of this pass (UTF-8); empty when it does.
    std::string warning() const;

    // Ends the pass with the command's exit status; error (UTF-8) says why
    // the pass did not run, when it did not. Runs the notification command
    // (its failure is reported on stderr, never in the result) and writes
    // the summary to the parent's descriptor. Returns the summary.
    PassSummary finish(int status, const std::string& error = {});

    // Marks the pass as stopped by signal_name ("SIGINT") after entries_done
    // of entries: the summary, the notification and the parent say so.
    void set_interrupted(std::string signal_name, int entries_done, int entries);

  private:
    DailyPassOptions options_;
    Ledger ledger_;
    std::string warning_;
    std::unique_ptr<ClaimRecorder> recorder_;
    std::string interrupted_;
    int entries_done_ = 0, entries_ = 0;
};

}  // namespace quillet
