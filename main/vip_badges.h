#pragma once
// The CF-VIP level badges carried in the program (PNG bytes), levels 0 to 6.
#include <string_view>

namespace quillet {

// The badge of a level; empty for a level without one (below 0, above 6).
std::string_view vip_badge_png(int level);

}  // namespace quillet
