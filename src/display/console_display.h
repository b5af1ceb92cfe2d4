#pragma once
// The monitor without a screen: the text of the bits, the StatusLine, the
// DeviationLine and the separator goes to channel 0 (the console while no
// screen is attached); the graphics operations have nothing to draw.

#include "display/monitor_display.h"
#include "textio/printer.h"
#include "clocks/wall_clock.h"

namespace novabit {

class ConsoleDisplay final : public MonitorDisplay {
 public:
  ConsoleDisplay(Printer& printer, const WallClock& wallClock) : printer_(printer), wallClock_(wallClock) {}

  void draw_frame(const RunStart&) override {}
  void draw_side_panel(std::int32_t) override {}
  void print_bit(std::int32_t bit) override;
  void print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones) override;
  void print_deviation_line(std::int32_t zeros, std::int32_t ones, std::int32_t secondDeviation) override;
  void plot_second_point(std::int32_t, std::int32_t, std::uint32_t) override {}
  void draw_checkpoint_dot(std::int32_t, std::int32_t, std::int32_t, std::uint32_t) override {}
  void redraw_cycle_display(const CyclePanel&, const RunStart&) override {}
  void print_separator() override;

 private:
  Printer& printer_;
  const WallClock& wallClock_;
};

}  // namespace novabit
