#pragma once
// A display that passes every operation on to another one; wrappers that
// watch or add to a few operations override just those.

#include <cstdint>

#include "display/monitor_display.h"

namespace novabit {

class ForwardingDisplay : public MonitorDisplay {
 public:
  // `shown` must outlive this display.
  explicit ForwardingDisplay(MonitorDisplay& shown) : shown_(shown) {}

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
  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override {
    shown_.redraw_cycle_display(panel, start);
  }
  void print_separator() override { shown_.print_separator(); }

 private:
  MonitorDisplay& shown_;
};

}  // namespace novabit
