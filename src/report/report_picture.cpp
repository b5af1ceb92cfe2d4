#include "report/report_picture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "drawing/png_picture.h"
#include "report/plot.h"
#include "report/printf_text.h"

namespace novabit::report {

namespace {

constexpr Colour kDeviationColour = 0xFFDD33;
constexpr Colour kBoundaryColour = 0xFF5555;
constexpr Colour kWindowTextColour = 0x6080F0;
constexpr double kRecordsPerHour = 12;

constexpr Panel kWhole{3 * kCell, 33 * kCell - 1};
constexpr Panel kUpper{3 * kCell, 17 * kCell - 1};
constexpr Panel kLower{19 * kCell, 33 * kCell - 1};

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
    const double record = static_cast<double>(plot.points()) * (column - kPlotLeft) / (kPlotRight - kPlotLeft);
    const auto index = std::min(static_cast<std::size_t>(record), path.records.size() - 1);
    return bits(path.records[index]);
  };
  for (int column = kPlotLeft; column < kPlotRight; ++column) {
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

void draw_panel(const FieldReport& report, const Path& path, Panel panel, bool withBoundary, Plot& plot) {
  const SeriesAccumulator series(kFiveMinuteBits, report.settings);
  panel.range = envelope(path.records.back());
  if (withBoundary) panel.range = std::max(panel.range, series.boundary(path.records.back()));
  for (const double deviation : path.deviation) panel.range = std::max(panel.range, std::abs(deviation));
  panel.range = std::max(panel.range, 1.0) * 1.05;
  plot.clip(panel);
  if (withBoundary) shade_windows(report.picture, panel, plot);
  plot.line(kPlotLeft, Plot::y(panel, 0), kPlotRight, Plot::y(panel, 0), kAxisColour, kDashed);
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
  label_values(panel, plot, "%+8.0f");
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
  label_time(sealed ? kLower : kWhole, plot, kRecordsPerHour,
             "%s of five-minute records, runs end to end in time order");
  if (series.ones.empty()) plot.write(18, 35, "no five-minute records", kTextColour);
}

Outcome write_report_picture(const FieldReport& report, const std::filesystem::path& path) {
  FrameBuffer frame(1);
  draw_report_picture(report, frame);
  return write_png(frame, path);
}

}  // namespace novabit::report
