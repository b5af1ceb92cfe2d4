#include "report/report_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "screen/canvas.h"
#include "screen/png_picture.h"
#include "screen/text_cells.h"

namespace novabit::report {

namespace {

constexpr Colour kDeviationColour = 0xFFDD33;
constexpr Colour kEnvelopeColour = 0x33CC55;
constexpr Colour kBoundaryColour = 0xFF5555;
constexpr Colour kCycleColour = 0x606060;
constexpr Colour kRunColour = 0xC0C0C0;
constexpr Colour kWindowColour = 0x203070;
constexpr Colour kAxisColour = 0xA0A0A0;
constexpr Colour kTextColour = 0xF0F0F0;
constexpr std::uint32_t kSolid = 0xFFFF;
constexpr std::uint32_t kDashed = 0xFF00;
constexpr std::uint32_t kDotted = 0xCCCC;

// The plot area in screen pixels, inclusive; text rows 3 to 33 beside it.
constexpr int kLeft = 72;
constexpr int kRight = 791;
constexpr int kTop = 40;
constexpr int kBottom = 527;

// 1, 2 or 5 times a power of ten, near a quarter of `range`.
double tick_step(double range) {
  const double raw = range / 4;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (raw <= factor * power) {
      return factor * power;
    }
  }
  return 10 * power;
}

class Plot {
 public:
  Plot(FrameBuffer& frame, std::size_t records, double range)
      : canvas_(frame, colours_), text_(frame, colours_, [] {}), records_(std::max<std::size_t>(records, 1)),
        range_(range) {}

  float x(double record) const {
    return static_cast<float>(kLeft + record / static_cast<double>(records_) * (kRight - kLeft));
  }
  float y(double bits) const {
    return static_cast<float>((kTop + kBottom) / 2.0 - bits / range_ * (kBottom - kTop) / 2.0);
  }
  void clip() { canvas_.set_viewport(kLeft, kTop, kRight, kBottom, kColourNotGiven, kAxisColour, true); }
  void unclip() {
    canvas_.set_viewport(0, 0, FrameBuffer::kWidth - 1, FrameBuffer::kHeight - 1, kColourNotGiven, kColourNotGiven,
                         true);
  }
  void line(float x1, float y1, float x2, float y2, Colour colour, std::uint32_t pattern) {
    canvas_.draw_line(x1, y1, x2, y2, colour, LineShape::line, pattern);
  }
  void box(float x1, float x2, Colour colour) {
    canvas_.draw_line(x1, static_cast<float>(kTop), x2, static_cast<float>(kBottom), colour, LineShape::filled_box,
                      kSolid);
  }
  void dot(float atX, float atY, Colour colour) { canvas_.draw_circle(atX, atY, 3, colour, 0, true); }
  // Text at a 1-based cell.
  void write(int row, int column, const std::string& bytes, Colour colour) {
    text_.set_colours(colour, 0);
    text_.set_position(row, std::clamp(column, 1, TextCells::kColumns));
    text_.write(bytes);
  }
  static int row_of(float atY) { return static_cast<int>(atY) / TextCells::kCellHeight + 1; }
  static int column_of(float atX) { return static_cast<int>(atX) / TextCells::kCellWidth + 1; }

 private:
  PenColours colours_;
  Canvas canvas_;
  TextCells text_;
  std::size_t records_;
  double range_;
};

// Cumulative deviation after each record, from 0 before the first.
std::vector<double> deviations(const FieldReport& report) {
  std::vector<double> path{0};
  for (const StudyRun& run : report.runs) {
    for (const Checkpoint& record : run.fiveMinutes) {
      path.push_back(path.back() + static_cast<double>(record.ones) - kFiveMinuteBits / 2.0);
    }
  }
  return path;
}

void shade_windows(const FieldReport& report, Plot& plot) {
  for (const SealedRun& sealed : report.sealed) {
    std::size_t index = 0;
    for (std::size_t r = 0; r < sealed.run; ++r) {
      index += report.runs[r].fiveMinutes.size();
    }
    for (const Checkpoint& record : report.runs[sealed.run].fiveMinutes) {
      const auto cycle = static_cast<std::size_t>(record.cycle);
      if (cycle < sealed.windows.cycles.size() && record_in_window(record, sealed.windows.cycles[cycle].place)) {
        plot.box(plot.x(static_cast<double>(index)), plot.x(static_cast<double>(index + 1)), kWindowColour);
      }
      ++index;
    }
  }
}

void mark_cycles(const FieldReport& report, Plot& plot) {
  for (const CycleSummary& cycle : report.cycles) {
    if (cycle.firstRecord == 0) {
      continue;
    }
    const float atX = plot.x(static_cast<double>(cycle.firstRecord));
    plot.line(atX, kTop, atX, kBottom, cycle.cycle == 0 ? kRunColour : kCycleColour, kDotted);
  }
}

// The envelope and the boundary, either side of zero, one point per column.
void draw_limits(const FieldReport& report, Plot& plot, std::size_t records) {
  const SeriesAccumulator series(kFiveMinuteBits, report.settings);
  const auto envelope = [](double n) { return kEnvelopeZ * std::sqrt(n * kFiveMinuteBits / 4); };
  for (int column = kLeft; column < kRight; ++column) {
    const double from = static_cast<double>(records) * (column - kLeft) / (kRight - kLeft);
    const double to = static_cast<double>(records) * (column + 1 - kLeft) / (kRight - kLeft);
    for (const int side : {1, -1}) {
      plot.line(static_cast<float>(column), plot.y(side * envelope(from)), static_cast<float>(column + 1),
                plot.y(side * envelope(to)), kEnvelopeColour, kSolid);
      plot.line(static_cast<float>(column), plot.y(side * series.boundary(static_cast<std::int64_t>(from))),
                static_cast<float>(column + 1), plot.y(side * series.boundary(static_cast<std::int64_t>(to))),
                kBoundaryColour, kSolid);
    }
  }
}

void label_axes(Plot& plot, double range, std::size_t records) {
  const double step = tick_step(range);
  for (double tick = -std::floor(range / step) * step; tick <= range; tick += step) {
    const float atY = plot.y(tick);
    plot.line(kLeft - 4, atY, kLeft, atY, kAxisColour, kSolid);
    char label[24];
    std::snprintf(label, sizeof label, tick == 0 ? "%8.0f" : "%+8.0f", tick == 0 ? 0.0 : tick);
    plot.write(Plot::row_of(atY), 1, label, kTextColour);
  }
  const double hours = static_cast<double>(records) * 5 / 60;
  const double hourStep = std::max(1.0, tick_step(hours));
  for (double hour = 0; hour <= hours + 1e-9; hour += hourStep) {
    const float atX = plot.x(hour * 12);
    plot.line(atX, kBottom, atX, kBottom + 4, kAxisColour, kSolid);
    char label[24];
    const int length = std::snprintf(label, sizeof label, "%.0f", hour);
    plot.write(Plot::row_of(kBottom) + 1, Plot::column_of(atX) - length / 2, label, kTextColour);
  }
}

}  // namespace

void draw_report_picture(const FieldReport& report, FrameBuffer& frame) {
  const std::vector<double> path = deviations(report);
  const std::size_t records = path.size() - 1;
  const SeriesAccumulator series(kFiveMinuteBits, report.settings);
  double range = series.boundary(static_cast<std::int64_t>(records));
  for (const double deviation : path) {
    range = std::max(range, std::abs(deviation));
  }
  range *= 1.05;
  Plot plot(frame, records, range);
  plot.write(1, 1, "NovaBit field report: cumulative deviation of the five-minute records (bits)", kTextColour);
  plot.write(2, 1, "deviation", kDeviationColour);
  plot.write(2, 12, "95% envelope", kEnvelopeColour);
  plot.write(2, 26, "always-valid boundary", kBoundaryColour);
  plot.write(2, 49, "cycle", kCycleColour);
  plot.write(2, 56, "run", kRunColour);
  plot.write(2, 61, report.sealed.empty() ? "" : "hidden window", 0x6080F0);
  plot.clip();
  shade_windows(report, plot);
  plot.line(kLeft, plot.y(0), kRight, plot.y(0), kAxisColour, kDashed);
  mark_cycles(report, plot);
  draw_limits(report, plot, records);
  for (std::size_t i = 1; i < path.size(); ++i) {
    plot.line(plot.x(static_cast<double>(i - 1)), plot.y(path[i - 1]), plot.x(static_cast<double>(i)),
              plot.y(path[i]), kDeviationColour, kSolid);
  }
  if (report.fiveMinutes.firstCrossing) {
    const auto crossing = static_cast<std::size_t>(*report.fiveMinutes.firstCrossing) + 1;
    plot.dot(plot.x(static_cast<double>(crossing)), plot.y(path[crossing]), kBoundaryColour);
  }
  plot.unclip();
  label_axes(plot, range, records);
  plot.write(36, 20, "hours of five-minute records, runs end to end in time order", kTextColour);
  if (records == 0) {
    plot.write(18, 35, "no five-minute records", kTextColour);
  }
}

Outcome write_report_picture(const FieldReport& report, const std::filesystem::path& path) {
  FrameBuffer frame(1);
  draw_report_picture(report, frame);
  return write_png(frame, path);
}

}  // namespace novabit::report
