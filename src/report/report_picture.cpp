#include "report/report_picture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace novabit::report {

namespace {

using figures::Stroke;

constexpr double kSecondsPerRecord = 300;

bool counted(const PictureSeries& series, std::size_t record, bool outsideOnly) {
  return !outsideOnly || series.window[record] == WindowShare::outside;
}

// The cumulative deviation after each record, from 0 before the first, of
// all records or of those outside the windows.
figures::Curve deviation_of(const PictureSeries& series, bool outsideOnly) {
  figures::Curve curve{Stroke::curve, kSecondsPerRecord, {}};
  curve.values.reserve(series.ones.size() + 1);
  curve.values.push_back(0);
  for (std::size_t i = 0; i < series.ones.size(); ++i) {
    const double deviation = counted(series, i, outsideOnly) ? series.ones[i] - kFiveMinuteBits / 2.0 : 0.0;
    curve.values.push_back(curve.values.back() + deviation);
  }
  return curve;
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

// A panel of the deviation of all records or of those outside the windows,
// with the envelope of the records it counts.
figures::Panel panel_of(const PictureSeries& series, bool outsideOnly) {
  figures::Panel panel{"deviation (bits)", "", {}, {}, marks_of(series), {}};
  std::size_t seen = 0;
  std::int64_t records = 0;
  add_limit(panel, Stroke::envelope, static_cast<std::int64_t>(series.ones.size()), kSecondsPerRecord,
            [&](std::int64_t upTo) {
              for (; seen < static_cast<std::size_t>(upTo); ++seen)
                records += counted(series, seen, outsideOnly) ? 1 : 0;
              return envelope(records);
            });
  return panel;
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

  figure.panels.reserve(2);  // `whole` stays valid when the second comes
  figures::Panel& whole = figure.panels.emplace_back(panel_of(series, false));
  const SeriesAccumulator boundary(kFiveMinuteBits, report.settings);
  add_limit(whole, Stroke::boundary, static_cast<std::int64_t>(series.ones.size()), kSecondsPerRecord,
            [&boundary](std::int64_t i) { return boundary.boundary(i); });
  const std::vector<double>& deviation = whole.curves.emplace_back(deviation_of(series, false)).values;
  if (sealed) whole.shaded = windows_of(series);
  if (const std::optional<std::int64_t> crossing = report.fiveMinutes.statistics().firstCrossing) {
    const auto at = static_cast<std::size_t>(*crossing) + 1;
    if (at < deviation.size()) whole.dots.push_back({seconds_at(at), deviation[at]});
  }
  if (sealed) {
    figures::Panel& lower = figure.panels.emplace_back(panel_of(series, true));
    lower.note = "records outside the hidden windows";
    lower.curves.push_back(deviation_of(series, true));
  }
  return figure;
}

}  // namespace novabit::report
