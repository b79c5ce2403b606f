#include "ledger/daily_pass.h"

#include <cstdio>

#include "ledger/notify.h"
#include "platform/child_process.h"
#include "session/session.h"

namespace quillet {

DailyPass::DailyPass(Session& s, DailyPassOptions options) : options_(std::move(options)) {
    const std::filesystem::path file = options_.ledger ? *options_.ledger : default_ledger_path();
    std::string error;
    if (!ledger_.open(file, error, s.clock)) warning_ = error;
    recorder_ = std::make_unique<ClaimRecorder>(s, ledger_.is_open() ? &ledger_ : nullptr,
                                                options_.account);
}

DailyPass::~DailyPass() = default;

std::string DailyPass::warning() const {
    if (!warning_.empty()) return warning_;
    return recorder_->ledger_error();
}

void DailyPass::set_interrupted(std::string signal_name, int entries_done, int entries) {
    interrupted_ = std::move(signal_name);
    entries_done_ = entries_done;
    entries_ = entries;
}

PassSummary DailyPass::finish(int status, const std::string& error) {
    PassSummary summary = recorder_->summary();
    recorder_.reset();  // no attempt after the end counts
    summary.status = status;
    summary.error = error;
    summary.interrupted = interrupted_;
    summary.entries_done = entries_done_;
    summary.entries = entries_;
    const std::string json = summary_json(summary);

    if (options_.notify_cmd && !options_.notify_cmd->empty()) {
        const NotifyResult r =
            run_notify_command(*options_.notify_cmd, json + "\n", options_.notify_limit_ms);
        if (!r.started)
            std::fprintf(stderr, "quillet-cli: the notify command could not start: %s\n",
                         r.error.c_str());
        else if (r.timed_out)
            std::fprintf(stderr, "quillet-cli: the notify command was stopped after %d s\n",
                         options_.notify_limit_ms / 1000);
        else if (r.status != 0)
            std::fprintf(stderr, "quillet-cli: the notify command failed (exit status %d)\n",
                         r.status);
    }

    // Run by `claim --all-accounts`: the parent reads our summary back.
    platform::send_report(kSummaryFdVariable, summary_line(summary) + "\n" + json + "\n");
    return summary;
}

}  // namespace quillet
