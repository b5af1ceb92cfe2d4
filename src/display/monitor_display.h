#pragma once
// What the experiment shows: the operations the driver and the statistics
// call at fixed points of a pass. The live monitor draws them on the screen;
// the console version prints only their text.

#include <cstdint>
#include <optional>
#include <string>

namespace novabit {

// The start stamp shown in the frame's date line.
struct RunStart {
  std::string date;  // "12-05-2026"
  std::string time;  // "22:10:00"
};

// What the side panel shows after a CycleEnd.
struct CyclePanel {
  std::int32_t cyclesCompleted = 0;
  std::optional<double> globalOneAverage;   // none while ones have won no quarter
  std::optional<double> globalZeroAverage;  // none while zeros have won no quarter
};

class MonitorDisplay {
 public:
  virtual ~MonitorDisplay() = default;

  virtual void draw_frame(const RunStart& start) = 0;
  virtual void draw_side_panel(std::int32_t cyclesCompleted) = 0;
  virtual void print_bit(std::int32_t bit) = 0;
  virtual void print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones) = 0;
  virtual void print_deviation_line(std::int32_t zeros, std::int32_t ones, std::int32_t secondDeviation) = 0;
  virtual void plot_second_point(std::int32_t cycleMinute, std::int32_t minuteSecond, std::uint32_t colour) = 0;
  virtual void draw_checkpoint_dot(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour) = 0;
  virtual void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) = 0;
  virtual void print_separator() = 0;
};

}  // namespace novabit
