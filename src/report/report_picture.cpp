#include "report/report_picture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace novabit::report {

namespace {

using figures::Stroke;

constexpr double kSecondsPerRecord = 300;

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

double seconds_at(std::size_t record) { return static_cast<double>(record) * kSecondsPerRecord; }

std::vector<figures::Span> windows_of(const PictureSeries& series) {
  std::vector<figures::Span> spans;
  for (std::size_t i = 0; i < series.window.size(); ++i) {
    if (series.window[i] != WindowShare::inside) continue;
    if (!spans.empty() && spans.back().to == seconds_at(i)) {
      spans.back().to = seconds_at(i + 1);
    } else {
      spans.push_back({seconds_at(i), seconds_at(i + 1)});
    }
  }
  return spans;
}

std::vector<figures::Mark> marks_of(const PictureSeries& series) {
  const auto cycles = static_cast<std::size_t>(
      std::count_if(series.boundaries.begin(), series.boundaries.end(), [](const auto& b) { return !b.run; }));
  const std::size_t every = std::max<std::size_t>(1, (cycles + kMostCycleLines - 1) / kMostCycleLines);
  std::vector<figures::Mark> marks;
  std::size_t cycle = 0;
  for (const PictureSeries::Boundary& boundary : series.boundaries) {
    if (boundary.record == 0 || (!boundary.run && cycle++ % every != 0)) continue;
    marks.push_back({seconds_at(boundary.record), boundary.run ? Stroke::run : Stroke::cycle});
  }
  return marks;
}

figures::Panel panel_of(const Path& path, const PictureSeries& series) {
  figures::Panel panel{"deviation (bits)", "", {}, {}, marks_of(series), {}};
  const auto count = static_cast<std::int64_t>(path.records.size()) - 1;
  add_limit(panel, Stroke::envelope, count, kSecondsPerRecord,
            [&path](std::int64_t i) { return envelope(path.records[static_cast<std::size_t>(i)]); });
  return panel;
}

void add_curve(figures::Panel& panel, const Path& path) {
  figures::Curve curve{Stroke::curve, {}};
  for (std::size_t i = 0; i < path.deviation.size(); ++i) curve.points.push_back({seconds_at(i), path.deviation[i]});
  panel.curves.push_back(std::move(curve));
}

}  // namespace

figures::Figure report_figure(const FieldReport& report) {
  const PictureSeries& series = report.picture;
  const bool sealed = !report.sealed.empty();
  figures::Figure figure;
  figure.seconds = seconds_at(series.ones.size());
  figure.timeAxis = "time of records, runs end to end";
  figure.legend = {{Stroke::curve, "cumulative deviation"},
                   {Stroke::envelope, "95 % envelope"},
                   {Stroke::boundary, "always-valid boundary"}};
  const std::vector<figures::Mark> marks = marks_of(series);
  for (const Stroke stroke : {Stroke::run, Stroke::cycle}) {
    if (std::any_of(marks.begin(), marks.end(), [stroke](const figures::Mark& m) { return m.stroke == stroke; })) {
      figure.legend.push_back({stroke, stroke == Stroke::run ? "run start" : "cycle start"});
    }
  }
  if (sealed) figure.legend.push_back({Stroke::window, "hidden window"});
  if (series.ones.empty()) figure.emptyNote = "no five-minute records";

  const Path all = path_of(series, false);
  figures::Panel& whole = figure.panels.emplace_back(panel_of(all, series));
  const SeriesAccumulator boundary(kFiveMinuteBits, report.settings);
  add_limit(whole, Stroke::boundary, static_cast<std::int64_t>(series.ones.size()), kSecondsPerRecord,
            [&boundary](std::int64_t i) { return boundary.boundary(i); });
  add_curve(whole, all);
  if (sealed) whole.shaded = windows_of(series);
  if (const std::optional<std::int64_t> crossing = report.fiveMinutes.statistics().firstCrossing) {
    const auto at = static_cast<std::size_t>(*crossing) + 1;
    if (at < all.deviation.size()) whole.dots.push_back({seconds_at(at), all.deviation[at]});
  }
  if (sealed) {
    const Path outside = path_of(series, true);
    figures::Panel& lower = figure.panels.emplace_back(panel_of(outside, series));
    lower.note = "records outside the hidden windows";
    add_curve(lower, outside);
  }
  return figure;
}

}  // namespace novabit::report
