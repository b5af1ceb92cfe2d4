#pragma once
// Colours as the program gives them (0xRRGGBB) and as the frame buffer
// stores them (16-bit 5-6-5 pixels).

#include <cstdint>

namespace novabit {

using Colour = std::uint32_t;

// Asks for the current foreground colour, or for no fill or border of a viewport.
inline constexpr Colour kColourNotGiven = 0xFEFF00FF;

// Bits 24..31 are ignored; the result keeps only the bits of `mask`.
constexpr std::uint16_t pixel_from_colour(Colour colour, std::uint32_t mask = 0xFFFF) {
  const std::uint32_t pixel = ((colour >> 8) & 0xF800) | ((colour >> 5) & 0x07E0) | ((colour & 0xFF) >> 3);
  return static_cast<std::uint16_t>(pixel & mask);
}

// The 0xRRGGBB a display shows for a pixel: each channel widened by
// appending zero bits, so white is 0xF8FCF8.
constexpr std::uint32_t rgb_from_pixel(std::uint16_t pixel) {
  const std::uint32_t red = (pixel >> 11) & 0x1F;
  const std::uint32_t green = (pixel >> 5) & 0x3F;
  const std::uint32_t blue = pixel & 0x1F;
  return (red << 19) | (green << 10) | (blue << 3);
}

}  // namespace novabit
