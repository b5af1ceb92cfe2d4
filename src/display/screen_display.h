#pragma once
// The monitor on the GraphScreen: the fixed frame, the side panel, the text
// panel where every pass prints its bits and reports, one pixel per second
// and the checkpoint dots. Text goes through channel 0, which the mode set
// attached to the screen; the screen must be open and outlive the display.

#include <cstdint>
#include <string_view>

#include "display/console_display.h"
#include "display/monitor_display.h"
#include "screen/graph_screen.h"
#include "textio/printer.h"
#include "clocks/wall_clock.h"

namespace novabit {

class ScreenDisplay final : public MonitorDisplay {
 public:
  ScreenDisplay(GraphScreen& screen, Printer& printer, const WallClock& wallClock);

  void draw_frame(const RunStart& start) override;
  void draw_side_panel(std::int32_t cyclesCompleted) override;
  void print_bit(std::int32_t bit) override;
  void print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones) override;
  void print_deviation_line(std::int32_t zeros, std::int32_t ones, std::int32_t secondDeviation) override;
  void plot_second_point(std::int32_t cycleMinute, std::int32_t minuteSecond, std::uint32_t colour) override;
  void draw_checkpoint_dot(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour) override;
  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override;
  void print_separator() override;

 private:
  void print_panel_item(int row, std::string_view label);

  GraphScreen& screen_;
  Printer& printer_;
  const WallClock& wallClock_;
  // The text panel's lines are the console's lines, in the screen's colours.
  ConsoleDisplay lines_;
};

}  // namespace novabit
