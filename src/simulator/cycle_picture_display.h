#pragma once
// Keeps each 12-hour graph: passes everything on to the monitor on the
// screen, and just before a CycleEnd redraws it, saves the screen as
// PREFIX-cycleN.png, N being the number of the cycle that ends.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "display/monitor_display.h"
#include "screen/graph_screen.h"

namespace novabit {

class CyclePictureDisplay final : public MonitorDisplay {
 public:
  // `shown` draws on `screen`; both must outlive this display.
  CyclePictureDisplay(MonitorDisplay& shown, const GraphScreen& screen, std::string prefix)
      : shown_(shown), screen_(screen), prefix_(std::move(prefix)) {}

  void draw_frame(const RunStart& start) override { shown_.draw_frame(start); }
  void draw_side_panel(std::int32_t cyclesCompleted) override { shown_.draw_side_panel(cyclesCompleted); }
  void print_bit(std::int32_t bit) override { shown_.print_bit(bit); }
  void print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones) override {
    shown_.print_status_line(secondsElapsed, zeros, ones);
  }
  void print_deviation_line(std::int32_t zeros, std::int32_t ones, std::int32_t secondDeviation) override {
    shown_.print_deviation_line(zeros, ones, secondDeviation);
  }
  void plot_second_point(std::int32_t cycleMinute, std::int32_t minuteSecond, std::uint32_t colour) override {
    shown_.plot_second_point(cycleMinute, minuteSecond, colour);
  }
  void draw_checkpoint_dot(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour) override {
    shown_.draw_checkpoint_dot(x, y, radius, colour);
  }
  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override;
  void print_separator() override { shown_.print_separator(); }

  // The first picture that could not be written; none is tried after it.
  const std::optional<std::string>& failure() const { return failure_; }

 private:
  MonitorDisplay& shown_;
  const GraphScreen& screen_;
  std::string prefix_;
  std::optional<std::string> failure_;
};

}  // namespace novabit
