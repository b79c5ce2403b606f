#pragma once
// The built-in region list lives in services/game_service_client.h (RegionTable,
// RegionEntry); this header only names the stored text it is parsed from.
#include <string>

namespace quillet {

// The region list as stored: "320|上海电信一区\r\n326|..." in GBK, no trailing
// line break.
const std::string& region_table_text();

}  // namespace quillet
