#include "report/report_picture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "report/printf_text.h"
#include "screen/canvas.h"
#include "screen/png_picture.h"
#include "screen/text_cells.h"

namespace novabit::report {

namespace {

constexpr Colour kDeviationColour = 0xFFDD33;
constexpr Colour kEnvelopeColour = 0x33CC55;
constexpr Colour kBoundaryColour = 0xFF5555;
constexpr Colour kWindowTextColour = 0x6080F0;
constexpr Colour kAxisColour = 0xA0A0A0;
constexpr Colour kTextColour = 0xF0F0F0;
constexpr std::uint32_t kSolid = 0xFFFF;
constexpr std::uint32_t kDashed = 0xFF00;
constexpr std::uint32_t kDotted = 0xCCCC;

constexpr int kLeft = 72;
constexpr int kRight = 791;
constexpr int kCell = TextCells::kCellHeight;
constexpr double kRecordsPerHour = 12;
constexpr double kHoursPerDay = 24;
// Beyond three days of records the x-axis counts days.
constexpr double kMostHours = 72;

// Pixel rows of a panel, inclusive, and the deviation its half height shows.
struct Panel {
  int top;
  int bottom;
  double range = 1;
};
constexpr Panel kWhole{3 * kCell, 33 * kCell - 1};
constexpr Panel kUpper{3 * kCell, 17 * kCell - 1};
constexpr Panel kLower{19 * kCell, 33 * kCell - 1};

// 1, 2 or 5 times a power of ten, near a quarter of `range`.
double tick_step(double range) {
  const double raw = range / 4;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (raw <= factor * power) return factor * power;
  }
  return 10 * power;
}

// The cumulative deviation after each record, from 0 before the first, of
// all records or of those outside the windows, with the count of records in it.
struct Path {
  std::vector<double> deviation{0};
  std::vector<std::int64_t> records{0};
};

Path path_of(const PictureSeries& series, bool outsideOnly) {
  Path path;
  for (std::size_t i = 0; i < series.ones.size(); ++i) {
    const bool counted = !outsideOnly || series.window[i] == WindowShare::outside;
    path.deviation.push_back(path.deviation.back() + (counted ? series.ones[i] - kFiveMinuteBits / 2.0 : 0.0));
    path.records.push_back(path.records.back() + (counted ? 1 : 0));
  }
  return path;
}

double envelope(std::int64_t records) {
  return kEnvelopeZ * std::sqrt(static_cast<double>(records) * kFiveMinuteBits / 4);
}

class Plot {
 public:
  Plot(FrameBuffer& frame, std::size_t records)
      : canvas_(frame, colours_), text_(frame, colours_, [] {}), records_(std::max<std::size_t>(records, 1)) {}

  float x(double record) const {
    return static_cast<float>(kLeft + record / static_cast<double>(records_) * (kRight - kLeft));
  }
  static float y(const Panel& panel, double bits) {
    return static_cast<float>((panel.top + panel.bottom) / 2.0 - bits / panel.range * (panel.bottom - panel.top) / 2.0);
  }
  void clip(const Panel& panel) {
    canvas_.set_viewport(kLeft, panel.top, kRight, panel.bottom, kColourNotGiven, kAxisColour, true);
  }
  void unclip() {
    canvas_.set_viewport(0, 0, FrameBuffer::kWidth - 1, FrameBuffer::kHeight - 1, kColourNotGiven, kColourNotGiven,
                         true);
  }
  void line(float x1, float y1, float x2, float y2, Colour colour, std::uint32_t pattern) {
    canvas_.draw_line(x1, y1, x2, y2, colour, LineShape::line, pattern);
  }
  void box(float x1, float y1, float x2, float y2, Colour colour) {
    canvas_.draw_line(x1, y1, x2, y2, colour, LineShape::filled_box, kSolid);
  }
  void dot(float atX, float atY, Colour colour) { canvas_.draw_circle(atX, atY, 3, colour, 0, true); }
  // Text at a 1-based cell.
  void write(int row, int column, const std::string& bytes, Colour colour) {
    text_.set_colours(colour, 0);
    text_.set_position(row, std::clamp(column, 1, TextCells::kColumns));
    text_.write(bytes);
  }
  // The row whose text is centred nearest `atY`.
  static int row_at(float atY) { return static_cast<int>(std::lround((atY - kCell / 2.0) / kCell)) + 1; }
  static int column_of(float atX) { return static_cast<int>(atX) / TextCells::kCellWidth + 1; }
  std::size_t records() const { return records_; }

 private:
  PenColours colours_;
  Canvas canvas_;
  TextCells text_;
  std::size_t records_;
};

void shade_windows(const PictureSeries& series, const Panel& panel, Plot& plot) {
  for (std::size_t i = 0; i < series.window.size(); ++i) {
    if (series.window[i] == WindowShare::inside) {
      plot.box(plot.x(static_cast<double>(i)), static_cast<float>(panel.top), plot.x(static_cast<double>(i + 1)),
               static_cast<float>(panel.bottom), kWindowColour);
    }
  }
}

void mark_boundaries(const PictureSeries& series, const Panel& panel, Plot& plot) {
  const auto cycles = static_cast<std::size_t>(
      std::count_if(series.boundaries.begin(), series.boundaries.end(), [](const auto& b) { return !b.run; }));
  const std::size_t every = std::max<std::size_t>(1, (cycles + kMostCycleLines - 1) / kMostCycleLines);
  std::size_t cycle = 0;
  for (const PictureSeries::Boundary& boundary : series.boundaries) {
    if (boundary.record == 0 || (!boundary.run && cycle++ % every != 0)) continue;
    const float atX = plot.x(static_cast<double>(boundary.record));
    plot.line(atX, static_cast<float>(panel.top), atX, static_cast<float>(panel.bottom),
              boundary.run ? kRunColour : kCycleColour, boundary.run ? kSolid : kDotted);
  }
}

// A limit either side of zero, one point per column; `bits` of a record count.
template <typename Limit>
void draw_limit(const Path& path, const Panel& panel, Plot& plot, Colour colour, Limit bits) {
  const auto at = [&](int column) {
    const double record = static_cast<double>(plot.records()) * (column - kLeft) / (kRight - kLeft);
    const auto index = std::min(static_cast<std::size_t>(record), path.records.size() - 1);
    return bits(path.records[index]);
  };
  for (int column = kLeft; column < kRight; ++column) {
    for (const int side : {1, -1}) {
      plot.line(static_cast<float>(column), Plot::y(panel, side * at(column)), static_cast<float>(column + 1),
                Plot::y(panel, side * at(column + 1)), colour, kSolid);
    }
  }
}

void draw_path(const Path& path, const Panel& panel, Plot& plot) {
  for (std::size_t i = 1; i < path.deviation.size(); ++i) {
    plot.line(plot.x(static_cast<double>(i - 1)), Plot::y(panel, path.deviation[i - 1]), plot.x(static_cast<double>(i)),
              Plot::y(panel, path.deviation[i]), kDeviationColour, kSolid);
  }
}

void label_deviation(const Panel& panel, Plot& plot) {
  const double step = tick_step(panel.range);
  for (double tick = -std::floor(panel.range / step) * step; tick <= panel.range; tick += step) {
    const float atY = Plot::y(panel, tick);
    plot.line(kLeft - 4, atY, kLeft, atY, kAxisColour, kSolid);
    plot.write(Plot::row_at(atY), 1, std::abs(tick) < step / 2 ? "       0" : printf_text("%+8.0f", tick), kTextColour);
  }
}

void label_time(const Panel& panel, Plot& plot) {
  const double hours = static_cast<double>(plot.records()) / kRecordsPerHour;
  const bool days = hours > kMostHours;
  const double span = days ? hours / kHoursPerDay : hours;
  const double step = std::max(1.0, tick_step(span));
  for (double tick = 0; tick <= span + 1e-9; tick += step) {
    const float atX = plot.x(tick * kRecordsPerHour * (days ? kHoursPerDay : 1));
    plot.line(atX, static_cast<float>(panel.bottom), atX, static_cast<float>(panel.bottom + 4), kAxisColour, kSolid);
    const std::string label = printf_text("%.0f", tick);
    plot.write(panel.bottom / kCell + 2, Plot::column_of(atX) - static_cast<int>(label.size()) / 2, label, kTextColour);
  }
  plot.write(36, 16, printf_text("%s of five-minute records, runs end to end in time order", days ? "days" : "hours"),
             kTextColour);
}

void draw_panel(const FieldReport& report, const Path& path, Panel panel, bool withBoundary, Plot& plot) {
  const SeriesAccumulator series(kFiveMinuteBits, report.settings);
  panel.range = envelope(path.records.back());
  if (withBoundary) panel.range = std::max(panel.range, series.boundary(path.records.back()));
  for (const double deviation : path.deviation) panel.range = std::max(panel.range, std::abs(deviation));
  panel.range = std::max(panel.range, 1.0) * 1.05;
  plot.clip(panel);
  if (withBoundary) shade_windows(report.picture, panel, plot);
  plot.line(kLeft, Plot::y(panel, 0), kRight, Plot::y(panel, 0), kAxisColour, kDashed);
  mark_boundaries(report.picture, panel, plot);
  draw_limit(path, panel, plot, kEnvelopeColour, envelope);
  if (withBoundary) {
    draw_limit(path, panel, plot, kBoundaryColour, [&series](std::int64_t n) { return series.boundary(n); });
  }
  draw_path(path, panel, plot);
  const std::optional<std::int64_t> crossing = report.fiveMinutes.statistics().firstCrossing;
  if (withBoundary && crossing) {
    const auto at = static_cast<std::size_t>(*crossing) + 1;
    plot.dot(plot.x(static_cast<double>(at)), Plot::y(panel, path.deviation[at]), kBoundaryColour);
  }
  plot.unclip();
  label_deviation(panel, plot);
}

}  // namespace

void draw_report_picture(const FieldReport& report, FrameBuffer& frame) {
  const PictureSeries& series = report.picture;
  Plot plot(frame, series.ones.size());
  const bool sealed = !report.sealed.empty();
  plot.write(1, 1, "NovaBit field report: cumulative deviation of the five-minute records", kTextColour);
  plot.write(2, 1, "deviation (bits)", kDeviationColour);
  plot.write(2, 19, "95% envelope", kEnvelopeColour);
  plot.write(2, 33, "always-valid boundary", kBoundaryColour);
  plot.write(2, 56, "run", kRunColour);
  plot.line(468, 24, 484, 24, kRunColour, kSolid);
  plot.write(2, 63, "cycle", kCycleColour);
  plot.line(540, 24, 556, 24, kCycleColour, kDotted);
  if (sealed) plot.write(2, 72, "hidden window", kWindowTextColour);
  const Panel first = sealed ? kUpper : kWhole;
  draw_panel(report, path_of(series, false), first, true, plot);
  if (sealed) {
    plot.write(18, 10, "the records outside the hidden windows, with their own 95% envelope (bits)", kTextColour);
    draw_panel(report, path_of(series, true), kLower, false, plot);
  }
  label_time(sealed ? kLower : kWhole, plot);
  if (series.ones.empty()) plot.write(18, 35, "no five-minute records", kTextColour);
}

Outcome write_report_picture(const FieldReport& report, const std::filesystem::path& path) {
  FrameBuffer frame(1);
  draw_report_picture(report, frame);
  return write_png(frame, path);
}

}  // namespace novabit::report
