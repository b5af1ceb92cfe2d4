#include "view/monitor_frame.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "experiment/experiment_numbers.h"
#include "textio/formatting.h"
#include "view/checkpoint_dots.h"
#include "view/monitor_texts.h"

namespace novabit {
namespace {

constexpr std::string_view kHourScale =
    "0h     1h     2h      3h     4h      5h     6h      7h     8h      9h     10h    11h     12h ";
constexpr std::string_view kStartLabel = "FECHA INICIO EXPERIMENTO [mm/dd/aaaa]: ";
constexpr std::string_view kCurrentLabel = "FECHA ACTUAL: ";
constexpr std::string_view kTitleName = " * *  NOVA-BIT v0.3b 0/1 x 200 bits/seg. ";
constexpr std::string_view kTitleMark = "::";
constexpr std::string_view kTitleProject = " PROYECTO INDEPENDIENTE DE INVESTIGACION SOBRE ORV  * * ";
constexpr std::string_view kUpperCaption =
    "1                    AREA GRAFICA DE FLUCTUACIONES HACIA EL UNO                        1";
constexpr std::string_view kLowerCaption =
    "0                    AREA GRAFICA DE FLUCTUACIONES HACIA EL CERO                       0";

// The graph area in screen pixels; inside it one pixel is one minute of the cycle.
constexpr int kGraphLeft = 1;
constexpr int kGraphTop = 30;
constexpr int kGraphRight = 721;
constexpr int kGraphBottom = 202;

// The marks above and below the graph; a later set paints over an earlier one at shared x.
struct TickSet {
  int everyMinutes;
  int upperTop;
  Colour upperColour;
  int lowerBottom;
  Colour lowerColour;
};
constexpr TickSet kTickSets[] = {
    {5, 28, 0x008800, 204, 0x000088},
    {10, 26, 0x88DD88, 206, 0x8888DD},
    {30, 22, 0xFFFFFF, 208, 0xFFFFFF},
};

// A legend dot beside a caption, in the style of the checkpoint dots it explains.
struct LegendDot {
  float y;
  Period period;
  Leaning leaning;
};
constexpr float kLegendX = 535;

// One text item in its own colours, continuing the line.
void print_in(GraphScreen& screen, Printer& printer, Colour foreground, Colour background, std::string_view text,
              Separator separator = Separator::none) {
  screen.set_text_colours(foreground, background);
  printer.print_text(kScreenChannel, text, separator);
}

// The shade 0x00GG00, made from the text "&h00GG00" by the text operations.
Colour green_shade(int level) {
  const double value = text_value("&h00" + hex_text(static_cast<std::uint32_t>(level)) + "00");
  return static_cast<Colour>(static_cast<std::int32_t>(value));
}

// 99 blank cells from the cursor on, cell i (1-based) in the shade first + slope * i.
void print_gradient_bar(GraphScreen& screen, Printer& printer, int first, int slope) {
  constexpr int kCells = 99;
  for (int i = 1; i <= kCells; ++i) {
    print_in(screen, printer, 0x000000, green_shade(first + slope * i), " ");
  }
}

void draw_tick_marks(GraphScreen& screen) {
  for (const TickSet& set : kTickSets) {
    for (int x = kGraphLeft; x <= kGraphRight; x += set.everyMinutes) {
      const auto column = static_cast<float>(x);
      screen.draw_line(column, set.upperTop, column, kGraphTop, set.upperColour);
      screen.draw_line(column, set.lowerBottom, column, kGraphBottom, set.lowerColour);
    }
  }
}

void draw_legend(GraphScreen& screen, const LegendDot (&dots)[2]) {
  for (const LegendDot& dot : dots) {
    const DotStyle style = checkpoint_dot_style(dot.period, dot.leaning);
    screen.draw_circle(kLegendX, dot.y, static_cast<float>(style.radius), style.colour);
  }
}

// The hour scales, the date line, the gradient bars, and the title and credits rows.
void print_frame_text(GraphScreen& screen, Printer& printer, const WallClock& wallClock, const RunStart& start) {
  screen.set_text_colours(0x77FF33, kKeepColour);
  screen.set_text_position(1, 1);
  printer.print_text(kScreenChannel, kHourScale, Separator::newline);
  screen.set_text_colours(0x3377FF, kKeepColour);
  screen.set_text_position(14, 0);
  printer.print_text(kScreenChannel, kHourScale, Separator::newline);

  print_in(screen, printer, 0x33FF77, 0, kStartLabel);
  print_in(screen, printer, 0xFFFFFF, 0, start.date);
  printer.print_text(kScreenChannel, " - ", Separator::none);
  printer.print_text(kScreenChannel, start.time, Separator::none);
  printer.print_text(kScreenChannel, "      ", Separator::none);
  print_in(screen, printer, 0x33FF77, 0, kCurrentLabel);
  print_in(screen, printer, 0xFFFFFF, 0, date_text(wallClock.now()), Separator::newline);

  print_gradient_bar(screen, printer, 255, -2);
  screen.set_text_position(34, 1);
  print_gradient_bar(screen, printer, 50, 2);

  screen.set_text_colours(0xFF9966, 0);
  screen.set_text_position(35, 1);
  printer.print_text(kScreenChannel, kTitleName, Separator::none);
  print_in(screen, printer, 0xAA3311, 0, kTitleMark);
  print_in(screen, printer, 0xFF9966, 0, kTitleProject, Separator::newline);
  print_in(screen, printer, 0x66FF66, 0, kCreditsLine, Separator::newline);
}

// The graph area with its two bands, their captions and legend dots, the
// half-hour grid and the reference lines, in coordinates of the graph area.
void draw_graph_area(GraphScreen& screen, Printer& printer) {
  screen.set_viewport(kGraphLeft, kGraphTop, kGraphRight, kGraphBottom, 0x00CC00, kColourNotGiven, false);
  // The box reaches one pixel past the graph area's right edge, which clips it.
  screen.draw_line(0, 61, 721, 172, 0x000044, LineShape::filled_box);

  screen.set_text_colours(0xFF4444, 0x000044);
  screen.set_text_position(7, 2);
  printer.print_text(kScreenChannel, kUpperCaption, Separator::newline);
  draw_legend(screen, {{70, Period::quarter, Leaning::one}, {78, Period::five_minute, Leaning::one}});
  screen.set_text_colours(0x4444FF, 0x000044);
  screen.set_text_position(12, 2);
  printer.print_text(kScreenChannel, kLowerCaption, Separator::newline);
  draw_legend(screen, {{150, Period::quarter, Leaning::zero}, {158, Period::five_minute, Leaning::zero}});

  for (int minute = 0; minute <= kCycleMinutes; minute += 30) {
    const auto x = static_cast<float>(minute);
    screen.draw_line(x, 1, x, 60, 0x00AA00);
    screen.draw_line(x, 210, x, 62, 0x000088);
  }
  constexpr int kReferenceOffset = 28;
  for (const auto& [y, colour] : {std::pair{kCheckpointCentreY, Colour{0x008800}},
                                  std::pair{kCheckpointCentreY - kReferenceOffset, Colour{0x006600}},
                                  std::pair{kCheckpointCentreY + kReferenceOffset, Colour{0x006600}}}) {
    screen.draw_line(0, static_cast<float>(y), kCycleMinutes, static_cast<float>(y), colour);
  }
}

}  // namespace

void draw_monitor_frame(GraphScreen& screen, Printer& printer, const WallClock& wallClock, const RunStart& start) {
  // One hold for the whole picture, so the display never shows it half drawn.
  const auto guard = screen.hold();
  print_frame_text(screen, printer, wallClock, start);
  // The marks belong to the screen, not to the graph area that an earlier
  // draw left in force: a whole-screen viewport keeps them unshifted and unclipped.
  screen.set_viewport(0, 0, kScreenWidth - 1, kScreenHeight - 1, kColourNotGiven, kColourNotGiven, false);
  draw_tick_marks(screen);
  // From here on coordinates are relative to the graph area.
  draw_graph_area(screen, printer);
  screen.set_text_colours(0x00FF00, 0);
}

}  // namespace novabit
