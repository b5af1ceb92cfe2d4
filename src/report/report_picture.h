#pragma once
// The report as a figure: the cumulative deviation of the five-minute records
// over the whole input with its 95 % envelope and the always-valid boundary,
// run starts solid and cycle starts dotted (every few cycles only when there
// are many), the revealed windows shaded. With a seal a second panel shows
// the deviation of the records outside the windows with its own envelope,
// which the windows' own records would squash flat in the first.

#include <cstddef>

#include "figures/figure.h"
#include "report/field_report.h"

namespace novabit::report {

// At most this many cycle starts are drawn.
inline constexpr std::size_t kMostCycleLines = 60;
// Smooth limits are drawn through at most this many points each.
inline constexpr std::int64_t kLimitPoints = 1000;

figures::Figure report_figure(const FieldReport& report);

// The two halves of a limit that is `limit(i)` after the i-th of `count`
// steps of `secondsEach` seconds: at most kLimitPoints + 1 points each, each
// less than a step from where its value belongs; `limit` is asked in order.
template <typename Limit>
void add_limit(figures::Panel& panel, figures::Stroke stroke, std::int64_t count, double secondsEach, Limit limit) {
  const std::int64_t samples = std::min(count, kLimitPoints);
  const double step =
      samples == 0 ? secondsEach : secondsEach * static_cast<double>(count) / static_cast<double>(samples);
  figures::Curve upper{stroke, step, {}};
  figures::Curve lower{stroke, step, {}};
  for (std::int64_t k = 0; k <= samples; ++k) {
    const double value = limit(samples == 0 ? 0 : count * k / samples);
    upper.values.push_back(value);
    lower.values.push_back(-value);
  }
  panel.curves.push_back(std::move(upper));
  panel.curves.push_back(std::move(lower));
}

}  // namespace novabit::report
