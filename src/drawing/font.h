#pragma once
// The 8 x 16 code-page-437 font of the text cells.

#include <array>
#include <cstdint>

namespace novabit {

// Glyph of byte b: 16 rows at offset 16 * b, one byte per row, bit 0 = leftmost pixel.
const std::array<std::uint8_t, 256 * 16>& screen_font();

}  // namespace novabit
