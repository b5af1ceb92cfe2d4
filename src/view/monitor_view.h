#pragma once
// The monitor on the GraphScreen: what the experiment tells, shown as the
// fixed frame, the side panel, the text panel where every pass prints its
// bits and reports, one pixel per second and the checkpoint dots. Text goes
// through channel 0, which the mode set attached to the screen; the screen
// must be open and outlive the view.

#include <cstdint>
#include <optional>
#include <string_view>

#include "clocks/wall_clock.h"
#include "experiment/experiment_events.h"
#include "screen/graph_screen.h"
#include "textio/printer.h"
#include "view/text_panel.h"

namespace novabit {

class MonitorView final : public ExperimentEvents {
 public:
  MonitorView(GraphScreen& screen, Printer& printer, const WallClock& wallClock);

  void run_started(const RunStart& start) override;
  void bit_counted(std::int32_t bit) override { print_bit(bit); }
  void second_counted(const CountedSecond& second) override;
  void checkpoint_closed(const ClosedCheckpoint& checkpoint) override;
  void cycle_ended(const EndedCycle& cycle) override;
  void pass_ended(bool) override { lines_.print_separator(); }

 private:
  void draw_frame(const RunStart& start);
  void draw_side_panel(std::int32_t cyclesCompleted);
  void print_bit(std::int32_t bit);
  void plot_second_point(const CountedSecond& second);
  void redraw_cycle_display(const EndedCycle& cycle);
  void print_panel_item(int row, std::string_view label);

  GraphScreen& screen_;
  Printer& printer_;
  const WallClock& wallClock_;
  TextPanel lines_;
  // Where the next checkpoint's dots go: every five-minute checkpoint moves
  // it on, every cycle starts it again.
  std::int32_t checkpointX_ = 0;
};

}  // namespace novabit
