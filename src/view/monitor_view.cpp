#include "view/monitor_view.h"

#include <string_view>
#include <utility>

#include "textio/formatting.h"
#include "view/checkpoint_dots.h"
#include "view/monitor_frame.h"

namespace novabit {
namespace {

constexpr int kPanelColumn = 92;
constexpr int kTextPanelTop = 17;
constexpr int kTextPanelBottom = 33;
// The first checkpoint's x in the graph area, and the step to the next one.
constexpr std::int32_t kCheckpointStep = 5;

constexpr Colour kLabelColour = 0x00FF00;
constexpr Colour kValueColour = 0xFFFFFF;
constexpr Colour kOneBitColour = 0x55DD55;
constexpr Colour kZeroBitColour = 0x337733;
constexpr Colour kBalanceLineColour = 0xFF7733;

constexpr Colour point_colour(Leaning leaning) {
  switch (leaning) {
    case Leaning::zero:
      return 0x4444FF;
    case Leaning::one:
      return 0xFF4444;
    case Leaning::balance:
      break;
  }
  return 0xFFFFFF;
}

struct PanelLabel {
  int row;
  std::string_view text;
};
constexpr PanelLabel kCycleLabels[] = {{3, "Ciclo12h"}, {4, "Completo"}};
constexpr PanelLabel kAverageLabels[] = {{7, "DES.GLOB"}, {8, "A 1 EN %"}, {11, "DES.GLOB"}, {12, "A 0 EN %"}};
constexpr int kCyclesRow = 5;
constexpr int kOneAverageRow = 9;
constexpr int kZeroAverageRow = 13;

}  // namespace

MonitorView::MonitorView(GraphScreen& screen, Printer& printer, const WallClock& wallClock)
    : screen_(screen), printer_(printer), wallClock_(wallClock), lines_(printer, wallClock) {}

void MonitorView::run_started(const RunStart& start) {
  checkpointX_ = kCheckpointStep;
  draw_frame(start);
  draw_side_panel(0);
}

void MonitorView::draw_frame(const RunStart& start) { draw_monitor_frame(screen_, printer_, wallClock_, start); }

void MonitorView::print_panel_item(int row, std::string_view label) {
  screen_.set_text_position(row, kPanelColumn);
  printer_.print_text(kScreenChannel, label, Separator::newline);
}

void MonitorView::draw_side_panel(std::int32_t cyclesCompleted) {
  const auto guard = screen_.hold();
  screen_.set_text_colours(kLabelColour, 0);
  for (const PanelLabel& label : kCycleLabels) print_panel_item(label.row, label.text);
  for (const PanelLabel& label : kAverageLabels) print_panel_item(label.row, label.text);
  screen_.set_text_colours(kValueColour, kKeepColour);
  screen_.set_text_position(kCyclesRow, kPanelColumn);
  printer_.print_int(kScreenChannel, cyclesCompleted, Separator::newline);
  screen_.set_print_region(kTextPanelTop, kTextPanelBottom);
}

void MonitorView::print_bit(std::int32_t bit) {
  screen_.set_text_colours(bit == 0 ? kZeroBitColour : kOneBitColour, kKeepColour);
  lines_.print_bit(bit);
}

void MonitorView::second_counted(const CountedSecond& second) {
  screen_.set_text_colours(kValueColour, kKeepColour);
  lines_.print_status_line(second.pass, second.zeros, second.ones);
  // A leaning line keeps the white of the StatusLine; only a balanced pass has its own colour.
  if (second.leaning == Leaning::balance) screen_.set_text_colours(kBalanceLineColour, kKeepColour);
  lines_.print_deviation_line(second.leaning, second.deviation);
  if (second.leaning == Leaning::balance) screen_.set_text_colours(kValueColour, kKeepColour);
  plot_second_point(second);
}

void MonitorView::plot_second_point(const CountedSecond& second) {
  screen_.set_pixel(static_cast<float>(second.cycleMinute), static_cast<float>(second.minuteSecond),
                    point_colour(second.leaning));
}

void MonitorView::checkpoint_closed(const ClosedCheckpoint& checkpoint) {
  const DotStyle dot = checkpoint_dot_style(checkpoint.period, checkpoint.leaning);
  screen_.draw_circle(static_cast<float>(checkpointX_), static_cast<float>(checkpoint_y(checkpoint)),
                      static_cast<float>(dot.radius), dot.colour);
  // The quarter dot shares its x with the five-minute dot of the same pass.
  if (checkpoint.period == Period::five_minute) checkpointX_ += kCheckpointStep;
}

void MonitorView::cycle_ended(const EndedCycle& cycle) {
  checkpointX_ = kCheckpointStep;
  redraw_cycle_display(cycle);
}

void MonitorView::redraw_cycle_display(const EndedCycle& cycle) {
  const auto guard = screen_.hold();
  // The panel and the frame lie outside the text panel, where no text may be placed.
  screen_.set_print_region(0, 0);
  screen_.set_text_colours(kLabelColour, 0);
  for (const PanelLabel& label : kCycleLabels) print_panel_item(label.row, label.text);
  screen_.set_text_colours(kValueColour, 0);
  screen_.set_text_position(kCyclesRow, kPanelColumn);
  printer_.print_int(kScreenChannel, cycle.cyclesCompleted, Separator::newline);
  screen_.set_text_colours(kLabelColour, 0);
  for (const PanelLabel& label : kAverageLabels) print_panel_item(label.row, label.text);
  screen_.set_text_colours(kValueColour, 0);
  for (const auto& [row, average] :
       {std::pair{kOneAverageRow, cycle.globalOneAverage}, std::pair{kZeroAverageRow, cycle.globalZeroAverage}}) {
    screen_.set_text_position(row, kPanelColumn);
    printer_.begin_picture("##.##");
    printer_.print_picture_number(kScreenChannel, average, Separator::newline);
  }
  draw_frame(cycle.start);
  screen_.set_print_region(kTextPanelTop, kTextPanelBottom);
}

}  // namespace novabit
