#pragma once
// The screen as a picture file: the work page as an 800 x 600 PNG in 8-bit
// RGB, each pixel in the colour the display shows for it.

#include <filesystem>
#include <optional>
#include <string>

#include "screen/frame_buffer.h"

namespace novabit {

// The problem ("FILE: reason"), or nothing when the picture was written.
std::optional<std::string> write_png(const FrameBuffer& frame, const std::filesystem::path& path);

}  // namespace novabit
