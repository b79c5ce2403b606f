#pragma once
// A QR code's modules read back from its picture, and the code drawn for a
// terminal. The picture's scale and margin are the server's business: the
// module size comes from the finder pattern in the top-left corner.
#include <optional>
#include <string>
#include <vector>

#include "net/png_reader.h"

namespace quillet {

// Rows of modules, true = dark; square, 21 + 4k a side.
using QrModules = std::vector<std::vector<bool>>;

// nullopt when the picture holds no QR code this reader can find (no
// contrast, no finder patterns where they belong, not square).
std::optional<QrModules> sample_qr_modules(const GreyImage& image);

// The code in Unicode upper half blocks, two module rows a line, each cell
// given its own foreground (upper module) and background (lower module)
// colour, black on bright white: dark on light whatever the terminal's own
// colours. A light border of `quiet` modules goes round it. Lines end in
// "\n", each with the colours reset before it.
std::string draw_qr_half_blocks(const QrModules& modules, int quiet = 4);

}  // namespace quillet
