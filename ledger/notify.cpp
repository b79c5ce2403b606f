#include "ledger/notify.h"

#include "platform/child_process.h"

namespace quillet {

NotifyResult run_notify_command(const std::string& command, const std::string& text, int limit_ms) {
    const platform::ChildResult r = platform::run_shell_command(command, text, limit_ms);
    NotifyResult result;
    result.started = r.started;
    result.timed_out = r.timed_out;
    result.status = r.status;
    result.error = r.error;
    return result;
}

}  // namespace quillet
