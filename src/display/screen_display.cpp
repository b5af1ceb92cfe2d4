#include "display/screen_display.h"

#include <optional>
#include <string_view>
#include <utility>

#include "display/monitor_frame.h"
#include "textio/formatting.h"

namespace novabit {
namespace {

constexpr int kPanelColumn = 92;
constexpr int kTextPanelTop = 17;
constexpr int kTextPanelBottom = 33;

constexpr Colour kLabelColour = 0x00FF00;
constexpr Colour kValueColour = 0xFFFFFF;
constexpr Colour kOneBitColour = 0x55DD55;
constexpr Colour kZeroBitColour = 0x337733;
constexpr Colour kBalanceColour = 0xFF7733;

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

ScreenDisplay::ScreenDisplay(GraphScreen& screen, Printer& printer, const WallClock& wallClock)
    : screen_(screen), printer_(printer), wallClock_(wallClock), lines_(printer, wallClock) {}

void ScreenDisplay::draw_frame(const RunStart& start) { draw_monitor_frame(screen_, printer_, wallClock_, start); }

void ScreenDisplay::print_panel_item(int row, std::string_view label) {
  screen_.set_text_position(row, kPanelColumn);
  printer_.print_text(kScreenChannel, label, Separator::newline);
}

void ScreenDisplay::draw_side_panel(std::int32_t cyclesCompleted) {
  const auto guard = screen_.hold();
  screen_.set_text_colours(kLabelColour, 0);
  for (const PanelLabel& label : kCycleLabels) print_panel_item(label.row, label.text);
  for (const PanelLabel& label : kAverageLabels) print_panel_item(label.row, label.text);
  screen_.set_text_colours(kValueColour, kKeepColour);
  screen_.set_text_position(kCyclesRow, kPanelColumn);
  printer_.print_int(kScreenChannel, cyclesCompleted, Separator::newline);
  screen_.set_print_region(kTextPanelTop, kTextPanelBottom);
}

void ScreenDisplay::print_bit(std::int32_t bit) {
  screen_.set_text_colours(bit == 0 ? kZeroBitColour : kOneBitColour, kKeepColour);
  lines_.print_bit(bit);
}

void ScreenDisplay::print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones) {
  screen_.set_text_colours(kValueColour, kKeepColour);
  lines_.print_status_line(secondsElapsed, zeros, ones);
}

void ScreenDisplay::print_deviation_line(std::int32_t zeros, std::int32_t ones, std::int32_t secondDeviation) {
  // A leaning line keeps the white of the StatusLine; only a balanced pass has its own colour.
  if (zeros != ones) {
    lines_.print_deviation_line(zeros, ones, secondDeviation);
    return;
  }
  screen_.set_text_colours(kBalanceColour, kKeepColour);
  lines_.print_deviation_line(zeros, ones, secondDeviation);
  screen_.set_text_colours(kValueColour, kKeepColour);
}

void ScreenDisplay::plot_second_point(std::int32_t cycleMinute, std::int32_t minuteSecond, std::uint32_t colour) {
  screen_.set_pixel(static_cast<float>(cycleMinute), static_cast<float>(minuteSecond), colour);
}

void ScreenDisplay::draw_checkpoint_dot(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour) {
  screen_.draw_circle(static_cast<float>(x), static_cast<float>(y), static_cast<float>(radius), colour);
}

void ScreenDisplay::redraw_cycle_display(const CyclePanel& panel, const RunStart& start) {
  const auto guard = screen_.hold();
  // The panel and the frame lie outside the text panel, where no text may be placed.
  screen_.set_print_region(0, 0);
  screen_.set_text_colours(kLabelColour, 0);
  for (const PanelLabel& label : kCycleLabels) print_panel_item(label.row, label.text);
  screen_.set_text_colours(kValueColour, 0);
  screen_.set_text_position(kCyclesRow, kPanelColumn);
  printer_.print_int(kScreenChannel, panel.cyclesCompleted, Separator::newline);
  screen_.set_text_colours(kLabelColour, 0);
  for (const PanelLabel& label : kAverageLabels) print_panel_item(label.row, label.text);
  screen_.set_text_colours(kValueColour, 0);
  for (const auto& [row, average] :
       {std::pair{kOneAverageRow, panel.globalOneAverage}, std::pair{kZeroAverageRow, panel.globalZeroAverage}}) {
    screen_.set_text_position(row, kPanelColumn);
    printer_.begin_picture("##.##");
    printer_.print_picture_number(kScreenChannel, average, Separator::newline);
  }
  draw_frame(start);
  screen_.set_print_region(kTextPanelTop, kTextPanelBottom);
}

void ScreenDisplay::print_separator() { lines_.print_separator(); }

}  // namespace novabit
