#include "services/region_table.h"

#include "services/game_service_client.h"
#include "session/session.h"
#include "text/gbk.h"
#include "text/text_ops.h"

namespace quillet {

namespace {

// Kept as written in the source (UTF-8) and converted to GBK once.
constexpr const char* kRegionsUtf8 =
    "320|上海电信一区\r\n326|上海电信二区\r\n318|广东电信一区\r\n327|广东电信二区\r\n"
    "338|广东电信三区\r\n339|广东电信四区\r\n353|广西电信一区\r\n342|南方电信大区\r\n"
    "341|湖南电信一区\r\n340|湖南电信二区\r\n328|湖北电信一区\r\n329|湖北电信二区\r\n"
    "325|浙江电信一区\r\n349|浙江电信二区\r\n344|江苏电信一区\r\n357|江苏电信二区\r\n"
    "324|福建电信一区\r\n352|江西电信一区\r\n330|陕西电信一区\r\n333|四川电信一区\r\n"
    "356|四川电信二区\r\n332|重庆电信一区\r\n347|安徽电信一区\r\n348|云南电信一区\r\n"
    "343|北方网通大区\r\n322|辽宁网通一区\r\n323|辽宁网通二区\r\n336|辽宁网通三区\r\n"
    "350|黑龙江网通区\r\n351|吉林网通一区\r\n319|北京网通一区\r\n321|北京网通二区\r\n"
    "334|北京网通三区\r\n335|北京网通四区\r\n346|山东网通一区\r\n358|山东网通二区\r\n"
    "354|山西网通一区\r\n345|河南一区\r\n359|河南二区\r\n355|河北一区\r\n"
    "360|移动专区\r\n361|教育网专区";

std::vector<RegionEntry> parse_regions(const std::string& stored) {
    std::vector<RegionEntry> entries;
    for (const std::string& line : split(stored, "\r\n")) {
        // Every id has three digits, so the bar is always the fourth byte.
        if (line.size() < 4) continue;
        entries.push_back({int32_of_text(line.substr(0, 3)), line.substr(4)});
    }
    return entries;
}

}  // namespace

const std::string& region_table_text() {
    static const std::string text = utf8_to_gbk(kRegionsUtf8);
    return text;
}

const std::vector<RegionEntry>& RegionTable::entries() {
    static const std::vector<RegionEntry> table = parse_regions(region_table_text());
    return table;
}

void RegionTable::fill_pickers(Session& s) {
    for (const RegionEntry& e : entries()) {
        s.view.add_item(ctl::main::列表框_大区, e.name, e.area_id);
        s.view.add_item(ctl::main::组合框_大区列表, e.name, e.area_id);
        s.pump();
    }
}

std::string GameServiceClient::area_name(int32_t area_id) {
    for (const RegionEntry& e : RegionTable::entries()) {
        if (e.area_id == area_id) return e.name;
    }
    static const std::string unknown = utf8_to_gbk("未知大区");
    return unknown;
}

}  // namespace quillet
