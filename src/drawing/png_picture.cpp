#include "drawing/png_picture.h"

#include <png.h>

#include <cstdint>
#include <vector>

#include "drawing/colour.h"

namespace novabit {

Outcome write_png(const FrameBuffer& frame, const std::filesystem::path& path) {
  constexpr int kChannels = 3;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(FrameBuffer::kWidth * FrameBuffer::kHeight * kChannels));
  auto out = rgb.begin();
  for (int y = 0; y < FrameBuffer::kHeight; ++y) {
    const std::uint16_t* row = frame.row(y);
    for (int x = 0; x < FrameBuffer::kWidth; ++x) {
      const std::uint32_t colour = rgb_from_pixel(row[x]);
      *out++ = static_cast<std::uint8_t>(colour >> 16);
      *out++ = static_cast<std::uint8_t>(colour >> 8);
      *out++ = static_cast<std::uint8_t>(colour);
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = FrameBuffer::kWidth;
  image.height = FrameBuffer::kHeight;
  image.format = PNG_FORMAT_RGB;
  if (png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), FrameBuffer::kWidth * kChannels, nullptr) == 0) {
    Failure failure{path.string() + ": " + image.message, 0};
    png_image_free(&image);
    return failure;
  }
  return {};
}

}  // namespace novabit
