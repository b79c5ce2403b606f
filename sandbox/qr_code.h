#pragma once
// The simulator's own QR codes: byte mode, version 3 (29 x 29 modules),
// error correction level M, one fixed mask. Enough for a short simulator
// address, and a real code any phone or scanner reads.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::sandbox {

// Rows of modules, true = dark; nullopt when text is longer than the 42
// bytes the version holds.
using QrMatrix = std::vector<std::vector<bool>>;
std::optional<QrMatrix> encode_qr(std::string_view text);

// The code as a palette PNG: `scale` pixels a module and a light margin of
// `margin` modules around it.
std::string qr_png(const QrMatrix& modules, int scale, int margin);

}  // namespace quillet::sandbox
