#pragma once
// War statistics (外形框_战绩): the overall and today's battle figures of the
// bound region, read from the statistics page's 15 table cells.
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct Session;

// Ends with unlock_controls(logged_in).
void show_war_stats(Session& s);

// The two captions of 15 cells: lines 1-8 and lines 9-15, each line its label
// and cell followed by an empty line.
struct WarStatsCaptions {
    std::string total, today;
};
WarStatsCaptions war_stats_captions(const std::vector<std::string>& cells);

// The statistics page's table cells, in order (at most one past 15); false
// when a scan limit cut the search short.
bool parse_war_stats(std::string_view answer, std::vector<std::string>& cells);

}  // namespace quillet
