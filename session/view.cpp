#include "session/view.h"

#include <cstdio>

namespace quillet {

std::string colour_name(Rgb c) {
    if (c == colour::black) return "black";
    if (c == colour::blue) return "blue";
    if (c == colour::navy) return "navy";
    if (c == colour::green) return "green";
    if (c == colour::red) return "red";
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", c.r, c.g, c.b);
    return buffer;
}

Rgb rgb_of_colour_value(int64_t value) {
    return Rgb{static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
               static_cast<uint8_t>((value >> 16) & 0xFF)};
}

}  // namespace quillet
