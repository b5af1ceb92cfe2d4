#pragma once
// A GraphScreen on a memory back end, opened in mode 19 and driven by the
// test itself (no display thread), with helpers to read its pixels.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"

namespace novabit::testing {

using Pixels = std::set<std::pair<int, int>>;

struct OpenedScreen {
  OpenedScreen() { EXPECT_TRUE(screen.set_screen_mode(19, 16, 4, 1, 0)); }

  const FrameBuffer& frame() const { return *screen.frame(); }
  std::uint16_t pixel(int x, int y) const { return frame().pixel(x, y); }

  // Every pixel that is not black.
  Pixels lit_pixels() const {
    Pixels lit;
    for (int y = 0; y < FrameBuffer::kHeight; ++y) {
      for (int x = 0; x < FrameBuffer::kWidth; ++x) {
        if (pixel(x, y) != 0) {
          lit.insert({x, y});
        }
      }
    }
    return lit;
  }

  std::vector<int> marked_rows() const {
    std::vector<int> rows;
    for (int y = 0; y < FrameBuffer::kHeight; ++y) {
      if (frame().row_marked(y)) {
        rows.push_back(y);
      }
    }
    return rows;
  }

  std::vector<std::uint16_t> snapshot() const {
    const std::uint16_t* page = frame().visible_page();
    return {page, page + FrameBuffer::kWidth * FrameBuffer::kHeight};
  }

  ChannelTable channels{nullptr, nullptr};
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  GraphScreen screen{channels, endSteps, {backEnd}, GraphScreenOptions{false, "/opt/monitor/novabit.bin"}};
};

class ScreenTest : public ::testing::Test, public OpenedScreen {};

}  // namespace novabit::testing
