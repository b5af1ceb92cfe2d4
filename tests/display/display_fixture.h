#pragma once
// The monitor on a GraphScreen opened in mode 19 over a memory back end,
// without a display thread, with a wall clock the test sets.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "display/picture.h"
#include "display/screen_display.h"
#include "experiment/test_doubles.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit::testing {

inline constexpr LocalTime kStartTime{2026, 12, 5, 22, 10, 0};
inline const RunStart kRunStart{"12-05-2026", "22:10:00"};

class DisplayTest : public ::testing::Test {
 protected:
  DisplayTest() { screen_.set_screen_mode(19, 16, 4, 1, 0); }

  void start_up() {
    display_.draw_frame(kRunStart);
    display_.draw_side_panel(0);
  }

  // The display work of one pass with these counts, as the experiment orders it.
  void show_pass(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones, std::int32_t deviation,
                 std::uint32_t pointColour, std::int32_t minute, std::int32_t second) {
    for (std::int32_t bit = 0; bit < zeros + ones; ++bit) display_.print_bit(bit < zeros ? 0 : 1);
    display_.print_status_line(secondsElapsed, zeros, ones);
    display_.print_deviation_line(zeros, ones, deviation);
    display_.plot_second_point(minute, second, pointColour);
  }

  const FrameBuffer& frame() const { return *screen_.frame(); }
  std::uint16_t pixel(int x, int y) const { return frame().pixel(x, y); }
  Picture picture() const { return Picture(frame()); }
  const TextCells& text() const { return *screen_.text(); }

  ChannelTable channels_{nullptr, nullptr};
  EndSteps endSteps_;
  MemoryBackEnd backEnd_;
  GraphScreen screen_{channels_, endSteps_, {backEnd_}, GraphScreenOptions{false, "novabit"}};
  Printer printer_{channels_};
  FixedWallClock wallClock_{kStartTime};
  ScreenDisplay display_{screen_, printer_, wallClock_};
};

}  // namespace novabit::testing
