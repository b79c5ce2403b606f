// A one-click pass over 1,000 AMS entries against the simulator (no delay),
// timed per attempt, next to the bare HTTP round trips of the same requests
// made in the same run, and the TCP connections the pass opened.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "claim/ams.h"
#include "claim/claim_config.h"
#include "claim/claim_pass.h"
#include "net/cookie_jar.h"
#include "net/http_client.h"
#include "sandbox/sandbox.h"
#include "services/game_service_client.h"
#include "session/memory_view.h"
#include "session/session.h"
#include "tests/support/scripted_server.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

constexpr int kEntries = 1000;

// One group of AMS entries that need no binding; the simulator answers each
// flow with its scenario messages.
std::string catalogue_text() {
    std::string text = "[{t:'压测',type:'1',aId:'61234',ds:[";
    const char* flows[] = {"421003", "421004", "421005", "421006", "421007"};
    for (int i = 0; i < kEntries; ++i) {
        if (i) text += ",";
        text += "{t:'礼包" + std::to_string(i) + "',fo:1,fId:'" + flows[i % 5] + "'}";
    }
    return text + "]}]";
}

HttpOptions routed_to(int port) {
    HttpOptions o;
    o.routing.add("*=127.0.0.1:" + std::to_string(port));
    return o;
}

void BM_ClaimPass1000Ams(benchmark::State& state) {
    sandbox::Sandbox sb;
    const int port = sb.start(0);
    sb.set_vendor_file("data.js", catalogue_text());

    MemoryView view;
    SystemClock clock;
    MemoryCookieStore store;
    HttpClient http(routed_to(port));
    Session s(view, clock, http, HostTable(), store, {});
    GameServiceClient client(s);
    MessageCleaner cleaner;
    prepare_claim_engine(s, cleaner);
    SessionState& st = s.state;
    const std::string cookie = sb.account_cookie();
    st.cookie.set(cookie);
    st.skey = sb.account_skey();
    st.g_tk = compute_g_tk(st.skey);
    st.qq = sb.account_qq();
    st.logged_in = true;
    const RoleInfo role = client.query_role(st.cookie, 320);
    st.area_id = role.area_id;
    st.role_name = role.role_name;
    st.checkparam = role.checkparam;
    st.md5str = role.md5str;
    st.area_bound = true;

    ActivityCatalogue catalogue;
    st.catalogue_ready = load_catalogue(s, catalogue) == kEntries;
    if (!st.catalogue_ready) {
        state.SkipWithError("the simulator's catalogue did not load");
        return;
    }

    // The same requests without the protocol: the server date, then every
    // claim body posted with the session's cookie, on a client of its own.
    const std::string ams_url = s.http_url(Host::AMS, "/ams/ame/ame.php");
    const std::string date_url = s.http_url(Host::GAME_APPS, "/CommArticle/app/reg/gdate.php");
    std::vector<std::string> bodies;
    for (const auto& e : catalogue)
        bodies.push_back(ams_standard_body(e.aId, e.fId, st.g_tk, s.hosts[Host::GAME_SITE]));
    HttpClient bare(routed_to(port));
    CookieVar bare_cookie(cookie);

    double pass_s = 0, bare_s = 0;
    int64_t connections = -1, hosts = 0;
    size_t lines = 0;
    for (auto _ : state) {
        const size_t log_before = view.log().size();
        const auto t0 = Clock::now();
        run_claim_pass(s, catalogue, cleaner, client);
        const auto t1 = Clock::now();
        if (connections < 0) {
            // The session's client from sign-in to the end of the first pass.
            connections = static_cast<int64_t>(sb.connections_accepted());
            std::vector<std::string> seen;
            for (const auto& r : sb.requests())
                if (std::find(seen.begin(), seen.end(), r.host) == seen.end()) seen.push_back(r.host);
            hosts = static_cast<int64_t>(seen.size());
        }
        lines = view.log().size() - log_before;

        benchmark::DoNotOptimize(bare.get_text(date_url, false));
        for (const auto& body : bodies)
            benchmark::DoNotOptimize(bare.post_text(ams_url, body, true, &bare_cookie));
        const auto t2 = Clock::now();

        const double pass = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(pass);
        pass_s += pass;
        bare_s += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["attempt_us"] = pass_s / n / kEntries * 1e6;
    state.counters["bare_us"] = bare_s / n / kEntries * 1e6;
    state.counters["ratio"] = pass_s / bare_s;
    // One connection per host when the client keeps its connections.
    state.counters["connections"] = static_cast<double>(connections);
    state.counters["hosts"] = static_cast<double>(hosts);
    state.counters["log_lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_ClaimPass1000Ams)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The same pass against a bare scripted server that answers at once: what the
// protocol costs on top of a fast round trip (body, answer reading, clean-up,
// log line).
void BM_ClaimPass1000AmsFastServer(benchmark::State& state) {
    testing::ScriptedServer server;
    server.answer("/ams/ame/ame.php",
                  {gbk_to_utf8(utf8_to_gbk(
                       R"({"ret":"0","modRet":{"sMsg":"非常抱歉，您今天已经领取过该礼包了，不能重复领取！"}})"))});
    server.answer("/CommArticle/app/reg/gdate.php", {"var curdate = '2016-10-19 10:30:00';"});

    MemoryView view;
    SystemClock clock;
    MemoryCookieStore store;
    HttpClient http(routed_to(server.port()));
    Session s(view, clock, http, HostTable(), store, {});
    GameServiceClient client(s);
    MessageCleaner cleaner;
    prepare_claim_engine(s, cleaner);
    SessionState& st = s.state;
    st.cookie.set("uin=o0010001; skey=@abcDEF123");
    st.g_tk = "1234567";
    st.qq = "10001";
    st.area_id = 320;
    st.logged_in = true;
    ActivityCatalogue catalogue;
    st.catalogue_ready = parse_catalogue(utf8_to_gbk(catalogue_text()), catalogue) == kEntries;

    const std::string ams_url = s.http_url(Host::AMS, "/ams/ame/ame.php");
    const std::string date_url = s.http_url(Host::GAME_APPS, "/CommArticle/app/reg/gdate.php");
    std::vector<std::string> bodies;
    for (const auto& e : catalogue)
        bodies.push_back(ams_standard_body(e.aId, e.fId, st.g_tk, s.hosts[Host::GAME_SITE]));
    HttpClient bare(routed_to(server.port()));
    CookieVar bare_cookie(st.cookie.get());

    double pass_s = 0, bare_s = 0;
    int64_t connections = -1;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        run_claim_pass(s, catalogue, cleaner, client);
        const auto t1 = Clock::now();
        if (connections < 0) connections = static_cast<int64_t>(server.connections());
        benchmark::DoNotOptimize(bare.get_text(date_url, false));
        for (const auto& body : bodies)
            benchmark::DoNotOptimize(bare.post_text(ams_url, body, true, &bare_cookie));
        const auto t2 = Clock::now();
        const double pass = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(pass);
        pass_s += pass;
        bare_s += std::chrono::duration<double>(t2 - t1).count();
        server.forget();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["attempt_us"] = pass_s / n / kEntries * 1e6;
    state.counters["bare_us"] = bare_s / n / kEntries * 1e6;
    state.counters["ratio"] = pass_s / bare_s;
    state.counters["connections"] = static_cast<double>(connections);
}
BENCHMARK(BM_ClaimPass1000AmsFastServer)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
