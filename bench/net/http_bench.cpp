// Sequential text POSTs through the client against a bare libcurl loop that
// sends the same request to the same loopback server, and the connections a
// run of requests opens.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/http_client.h"
#include "net/http_headers.h"
#include "tests/net/wire_server.h"

namespace {

using quillet::CookieVar;
using quillet::HttpClient;

const std::string kBody =
    "iActivityId=12345&iFlowId=67890&g_tk=1234567&e_code=0&g_code=0&sServiceType=cf";

// A keep-alive server on one thread: every connection is served by the same
// thread, so the client and the bare loop wait on the same scheduling.
class PollServer {
  public:
    PollServer() {
        listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_fd_, 64);
        socklen_t len = sizeof addr;
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~PollServer() {
        stopping_ = true;
        thread_.join();
        for (auto& c : clients_) ::close(c.fd);
        ::close(listen_fd_);
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int connections() const { return accepted_.load(); }

  private:
    struct Client {
        int fd;
        std::string in;
    };
    void run() {
        const std::string answer =
            quillet::testing::http_answer(R"({"ret":"0","msg":"ok","modRet":{"sMsg":"MODULE OK"}})",
                                          "Set-Cookie: pgv=1; path=/\r\n");
        char buf[16384];
        while (!stopping_) {
            std::vector<pollfd> fds{{listen_fd_, POLLIN, 0}};
            for (auto& c : clients_) fds.push_back({c.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                int fd = ::accept(listen_fd_, nullptr, nullptr);
                if (fd >= 0) {
                    int one = 1;
                    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    clients_.push_back({fd, {}});
                    accepted_++;
                }
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                Client& c = clients_[i - 1];
                ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    ::close(c.fd);
                    c.fd = -1;
                    continue;
                }
                c.in.append(buf, static_cast<size_t>(n));
                // Every request here is a POST with a Content-Length.
                for (;;) {
                    size_t head = c.in.find("\r\n\r\n");
                    if (head == std::string::npos) break;
                    size_t at = c.in.find("Content-Length: ");
                    size_t body = at < head ? std::stoul(c.in.substr(at + 16)) : 0;
                    if (c.in.size() < head + 4 + body) break;
                    c.in.erase(0, head + 4 + body);
                    ::send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL);
                }
            }
            std::erase_if(clients_, [](const Client& c) { return c.fd < 0; });
        }
    }

    int listen_fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::vector<Client> clients_;
    std::thread thread_;
};

PollServer& server() {
    static PollServer s;
    return s;
}

size_t sink(char*, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(size * count, 'x');
    return size * count;
}

// A bare easy handle set up once, sending the lines the client sends.
class BareCurl {
  public:
    explicit BareCurl(const std::string& url) {
        std::string headers(quillet::http::kHelperAgentLine);
        quillet::http::complete_headers(headers, url, "uin=o123; skey=@abc");
        for (const std::string& line : quillet::http::wire_lines(headers))
            list_ = curl_slist_append(list_, line.c_str());
        list_ = curl_slist_append(list_, "Expect:");
        h_ = curl_easy_init();
        curl_easy_setopt(h_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h_, CURLOPT_USERAGENT, quillet::http::agent_of(headers).c_str());
        curl_easy_setopt(h_, CURLOPT_HTTPHEADER, list_);
        curl_easy_setopt(h_, CURLOPT_POSTFIELDSIZE, static_cast<long>(kBody.size()));
        curl_easy_setopt(h_, CURLOPT_POSTFIELDS, kBody.c_str());
        curl_easy_setopt(h_, CURLOPT_WRITEFUNCTION, &sink);
        curl_easy_setopt(h_, CURLOPT_WRITEDATA, &answer_);
        curl_easy_setopt(h_, CURLOPT_NOSIGNAL, 1L);
    }
    ~BareCurl() {
        curl_easy_cleanup(h_);
        curl_slist_free_all(list_);
    }
    bool post() {
        answer_.clear();
        return curl_easy_perform(h_) == CURLE_OK && !answer_.empty();
    }

  private:
    CURL* h_ = nullptr;
    curl_slist* list_ = nullptr;
    std::string answer_;
};

void BM_PostText(benchmark::State& state) {
    HttpClient client;
    CookieVar cookie("uin=o123; skey=@abc");
    const std::string url = server().url("/ams/ame/ame.php?ameVersion=0.3");
    for (auto _ : state) {
        std::string answer = client.post_text(url, kBody, false, &cookie);
        if (answer.empty()) state.SkipWithError("empty answer");
        benchmark::DoNotOptimize(answer);
        cookie.set("uin=o123; skey=@abc");
    }
}
BENCHMARK(BM_PostText)->Unit(benchmark::kMicrosecond);

void BM_BareCurl(benchmark::State& state) {
    BareCurl bare(server().url("/ams/ame/ame.php?ameVersion=0.3"));
    for (auto _ : state)
        if (!bare.post()) state.SkipWithError("empty answer");
}
BENCHMARK(BM_BareCurl)->Unit(benchmark::kMicrosecond);

// Both loops in one process against one server, interleaved in short blocks
// so that the load of the machine hits both alike. ratio: median block time
// of the client / median block time of the bare loop (wall clock);
// cpu_ratio: the same for the CPU time of the calling thread.
double thread_cpu_us() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void BM_PostTextVsBareCurl(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBlocks = 60, kBlock = 25;
    const std::string url = server().url("/ams/ame/ame.php?ameVersion=0.3");
    HttpClient client;
    CookieVar cookie("uin=o123; skey=@abc");
    BareCurl bare(url);
    auto client_block = [&] {
        for (int i = 0; i < kBlock; ++i) {
            cookie.set("uin=o123; skey=@abc");
            if (client.post_text(url, kBody, false, &cookie).empty()) state.SkipWithError("empty");
        }
    };
    auto bare_block = [&] {
        for (int i = 0; i < kBlock; ++i)
            if (!bare.post()) state.SkipWithError("empty");
    };
    std::vector<double> client_wall, bare_wall, client_cpu, bare_cpu;
    auto measure = [](auto&& block, std::vector<double>& wall, std::vector<double>& cpu) {
        double c0 = thread_cpu_us();
        auto t0 = Clock::now();
        block();
        wall.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        cpu.push_back(thread_cpu_us() - c0);
    };
    for (auto _ : state) {
        for (int b = 0; b < kBlocks; ++b) {
            if (b % 2 == 0) {
                measure(client_block, client_wall, client_cpu);
                measure(bare_block, bare_wall, bare_cpu);
            } else {
                measure(bare_block, bare_wall, bare_cpu);
                measure(client_block, client_wall, client_cpu);
            }
        }
    }
    state.counters["ratio"] = median(client_wall) / median(bare_wall);
    state.counters["cpu_ratio"] = median(client_cpu) / median(bare_cpu);
    state.counters["client_us"] = median(client_wall) / kBlock;
    state.counters["bare_us"] = median(bare_wall) / kBlock;
}
BENCHMARK(BM_PostTextVsBareCurl)->Unit(benchmark::kMillisecond)->Iterations(1);

// TCP connections the server accepted for 1,000 sequential requests.
void BM_ConnectionsFor1000(benchmark::State& state) {
    int connections = 0;
    for (auto _ : state) {
        PollServer fresh;
        HttpClient client;
        CookieVar cookie;
        for (int i = 0; i < 1000; ++i)
            if (client.post_text(fresh.url("/c"), kBody, false, &cookie).empty())
                state.SkipWithError("empty");
        connections = fresh.connections();
    }
    state.counters["connections"] = connections;
}
BENCHMARK(BM_ConnectionsFor1000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
