#pragma once
// The devices a run without a screen or a keyboard is given: a display with
// nothing to show, and a keyboard on which no key is ever pressed.

#include <cstdint>
#include <string>

#include "display/monitor_display.h"
#include "experiment/key_source.h"

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

class UntouchedKeyboard final : public KeySource {
 public:
  std::string read_key() override { return {}; }
};

}  // namespace novabit
