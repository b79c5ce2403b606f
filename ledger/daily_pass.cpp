#include "ledger/daily_pass.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "ledger/notify.h"
#include "session/session.h"

namespace quillet {

namespace {

void write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

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

PassSummary DailyPass::finish(int status, const std::string& error) {
    PassSummary summary = recorder_->summary();
    recorder_.reset();  // no attempt after the end counts
    summary.status = status;
    summary.error = error;
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

    if (const char* fd_text = std::getenv(kSummaryFdVariable); fd_text != nullptr) {
        char* end = nullptr;
        const long fd = std::strtol(fd_text, &end, 10);
        if (end != fd_text && *end == '\0' && fd > 2 && fd < 65536) {
            write_all(static_cast<int>(fd), summary_line(summary) + "\n" + json + "\n");
            ::close(static_cast<int>(fd));
        }
        ::unsetenv(kSummaryFdVariable);
    }
    return summary;
}

}  // namespace quillet
