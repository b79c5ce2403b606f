#include "main/window_controllers.h"

#include "session/session.h"
#include "vendor_services/activity_browser.h"

namespace quillet {

LinkAddresses link_addresses(const Session& s) {
    // Our own pages on the vendor host unless the configuration names others.
    LinkAddresses a;
    a.feedback = s.config.read("links", "feedback", s.http_url(Host::VENDOR, "/feedback"));
    a.qq_group = s.config.read("links", "qq_group", s.http_url(Host::VENDOR, "/qqgroup"));
    return a;
}

Program::Program(Session& session) : s(session), client(session), version(session) {}

Program::~Program() = default;

void Program::start_job(bool locked, std::function<void()> job) {
    if (locked) lock_controls(s);
    s.jobs.start(std::move(job));
}

void Program::stop_jobs() {
    request_stop();
    s.jobs.wait_idle([this] { s.view.pump_events(); });
}

void Program::request_stop() {}

}  // namespace quillet
