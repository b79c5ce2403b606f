// The JSON view as the features use it: a claim answer read by three member
// paths, and the activity catalogue read the way the catalogue loader does.
#include <benchmark/benchmark.h>

#include <string>

#include "script/json_view.h"
#include "script/script_host.h"
#include "text/gbk.h"

namespace {

using quillet::JsonView;

const std::string& claim_answer() {
    static const std::string text = quillet::utf8_to_gbk(
        R"({"ret":"0","iRet":"0","modRet":{"sMsg":"恭喜您获得了礼包：穿越火线英雄级武器体验卡（7天）",)"
        R"("iRet":"0","jData":{"iPackageId":"1543721","sPackageName":"英雄级武器体验卡","iPackageNum":"1",)"
        R"("sItemMsg":"","bInfo":true,"arr":[1,2,3]},"sAmsSerial":"AMS-CF-0412181234-ABCD12-123456-654321"},)"
        R"("flowRet":{"iRet":"0","sMsg":"MODULE OK","iAlertSerial":"0","sLogSerial":"AMS-CF-0412181234"}})");
    return text;
}

void BM_ClaimAnswerLoadAndRead(benchmark::State& state) {
    const std::string& text = claim_answer();
    for (auto _ : state) {
        JsonView view;
        bool ok = view.load(text);
        std::string ret = view.get_text("ret");
        std::string message = view.get_text("modRet.sMsg");
        std::string flow = view.get_text("flowRet.iRet");
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(ret);
        benchmark::DoNotOptimize(message);
        benchmark::DoNotOptimize(flow);
    }
}
BENCHMARK(BM_ClaimAnswerLoadAndRead)->Unit(benchmark::kMicrosecond);

// 100 groups of 20 items: 2,000 entries, titles in Chinese as served.
const std::string& catalogue_file() {
    static const std::string text = [] {
        std::string out = "[";
        for (int g = 0; g < 100; ++g) {
            if (g) out += ",";
            std::string id = std::to_string(500000 + g);
            out += R"({"t":"每日礼包第)" + std::to_string(g) + R"(期","u":"http://cf.example.com/act/a)" + id +
                   R"(/index.html?aId=#{aId}","type":")" + (g % 4 == 0 ? "ams" : g % 4 == 1 ? "tgp" : g % 4 == 2 ? "vip" : "qzone") +
                   R"(","only":"","saId":"12345","sfId0":"222","sfId1":"223","aId":")" + id +
                   R"(","rK":"modRet.sMsg","rS":"","vipId":"","param":"","ds":[)";
            for (int k = 0; k < 20; ++k) {
                if (k) out += ",";
                out += R"({"t":"领取英雄级武器体验卡)" + std::to_string(k) + R"(","d":"","fo":)" +
                       std::to_string(1 + k % 3) + R"(,"only":"","aId":"","fId":")" + std::to_string(700000 + k) +
                       R"(","mId":"","param":"","param1":"","param2":"","vipId":"","rK":"","rS":""})";
            }
            out += "]}";
        }
        out += "]";
        return quillet::utf8_to_gbk(out);
    }();
    return text;
}

void BM_CatalogueRead(benchmark::State& state) {
    const std::string& text = catalogue_file();
    static const char* const group_members[] = {"t",   "u",  "type", "only",  "saId",  "sfId0",
                                                "sfId1", "aId", "rK", "rS", "vipId", "param"};
    static const char* const item_members[] = {"t",     "d",      "fo",     "only",  "aId",
                                               "fId",   "mId",    "param",  "param1", "param2",
                                               "vipId", "rK",     "rS"};
    int64_t entries = 0;
    for (auto _ : state) {
        entries = 0;
        JsonView file;
        if (!file.load(text)) state.SkipWithError("catalogue did not load");
        int64_t groups = file.count();
        JsonView items;
        for (int64_t g = 0; g < groups; ++g) {
            std::string prefix = "[" + std::to_string(g) + "].";
            for (const char* member : group_members) benchmark::DoNotOptimize(file.get_text(prefix + member));
            items.load(file.get_text(prefix + "ds", true));
            int64_t count = items.count();
            for (int64_t k = 0; k < count; ++k) {
                std::string item_prefix = "[" + std::to_string(k) + "].";
                for (const char* member : item_members)
                    benchmark::DoNotOptimize(items.get_text(item_prefix + member));
                ++entries;
            }
        }
    }
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_CatalogueRead)->Unit(benchmark::kMillisecond);

// For comparison: an answer that is script, not JSON, gets a global scope
// of its own.
void BM_ScriptAnswerLoadAndRead(benchmark::State& state) {
    const std::string text = "[{t:'a',n:1},{t:'b',n:2}]";
    for (auto _ : state) {
        JsonView view;
        bool ok = view.load(text);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(view.get_text("[1].t"));
    }
}
BENCHMARK(BM_ScriptAnswerLoadAndRead)->Unit(benchmark::kMicrosecond);

void BM_UnescapeUnicode(benchmark::State& state) {
    const std::string text = R"({"msg":"\u9886\u53d6\u6210\u529f it's"})";
    for (auto _ : state) benchmark::DoNotOptimize(quillet::unescape_unicode(text));
}
BENCHMARK(BM_UnescapeUnicode)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
