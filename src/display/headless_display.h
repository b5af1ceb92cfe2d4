#pragma once
// The display of a run without a screen: it shows nothing.

#include <cstdint>

#include "display/monitor_display.h"

namespace novabit {

class HeadlessDisplay final : public MonitorDisplay {
 public:
  void draw_frame(const RunStart&) override {}
  void draw_side_panel(std::int32_t) override {}
  void print_bit(std::int32_t) override {}
  void print_status_line(std::int32_t, std::int32_t, std::int32_t) override {}
  void print_deviation_line(std::int32_t, std::int32_t, std::int32_t) override {}
  void plot_second_point(std::int32_t, std::int32_t, std::uint32_t) override {}
  void draw_checkpoint_dot(std::int32_t, std::int32_t, std::int32_t, std::uint32_t) override {}
  void redraw_cycle_display(const CyclePanel&, const RunStart&) override {}
  void print_separator() override {}
};

}  // namespace novabit
