#pragma once
// A small PNG reader for pictures a server sends (the login's QR code): every
// colour type at 8 bits and below (16 bits too), no interlace. The picture
// comes back as grey levels, transparent pixels over white.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // row by row, 0 black .. 255 white

    uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// nullopt with why (a short English phrase) when bytes are no PNG this reader
// takes, or are damaged. Pictures over 4096 pixels a side are refused.
std::optional<GreyImage> read_png_grey(std::string_view bytes, std::string* why = nullptr);

}  // namespace quillet
