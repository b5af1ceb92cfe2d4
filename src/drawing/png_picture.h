#pragma once
// The screen as a picture file: the work page as an 800 x 600 PNG in 8-bit
// RGB, each pixel in the colour the display shows for it.

#include <filesystem>

#include "base/failure.h"
#include "drawing/frame_buffer.h"

namespace novabit {

// A failure names the file.
Outcome write_png(const FrameBuffer& frame, const std::filesystem::path& path);

}  // namespace novabit
