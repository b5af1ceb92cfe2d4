// The figures' axes and curves apart from any drawing: ticks worked out by
// hand for spans from seconds to a century, and a long curve cut down to
// what a figure's columns show, checked against each column's own extremes.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "figures/axis_ticks.h"
#include "figures/column_points.h"

namespace novabit::figures {
namespace {

std::vector<std::string> labels_of(const std::vector<Tick>& ticks) {
  std::vector<std::string> labels;
  for (const Tick& tick : ticks) labels.push_back(tick.label);
  return labels;
}

TEST(AxisTicks, SuitEverySpanFromSecondsToYears) {
  struct Case {
    double seconds;
    int most;
    std::string unit;
    std::vector<std::string> labels;
  };
  const std::vector<Case> cases{
      {0, 5, "seconds", {"0", "1"}},
      {30, 5, "seconds", {"0", "10", "20", "30"}},
      {900, 6, "minutes", {"0", "5", "10", "15"}},  // a quarter hour, once a single "0"
      {45000, 6, "hours", {"0", "3", "6", "9", "12"}},
      {40 * 86400.0, 5, "days", {"0", "10", "20", "30", "40"}},
      {365 * 86400.0, 5, "months of 30 days", {"0", "3", "6", "9", "12"}},
      {3650 * 86400.0, 6, "years of 365 days", {"0", "2", "4", "6", "8", "10"}},
      {36500 * 86400.0, 4, "years of 365 days", {"0", "50", "100"}},
  };
  for (const Case& c : cases) {
    const TimeAxis axis = time_axis(c.seconds, c.most);
    EXPECT_EQ(axis.unit, c.unit) << c.seconds;
    EXPECT_EQ(labels_of(axis.ticks), c.labels) << c.seconds;
  }
  EXPECT_EQ(time_axis(3650 * 86400.0, 6).ticks.back().at, 10 * 365 * 86400.0);
  // Events are counted whole.
  EXPECT_EQ(labels_of(count_axis(1, 6).ticks), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(labels_of(count_axis(8, 5).ticks), (std::vector<std::string>{"0", "2", "4", "6", "8"}));
  EXPECT_EQ(labels_of(count_axis(20, 5).ticks), (std::vector<std::string>{"0", "5", "10", "15", "20"}));
  EXPECT_EQ(labels_of(value_ticks(-120000, 120000, 7)),
            (std::vector<std::string>{"\u2212100000", "\u221250000", "0", "50000", "100000"}));
  EXPECT_EQ(labels_of(value_ticks(-0.3, 0.3, 4)), (std::vector<std::string>{"\u22120.2", "0.0", "0.2"}));
  EXPECT_EQ(labels_of(value_ticks(-26, 26, 6)), (std::vector<std::string>{"\u221220", "\u221210", "0", "10", "20"}));
  EXPECT_EQ(labels_of(value_ticks(-4862, 4862, 4)), (std::vector<std::string>{"\u22124000", "\u22122000", "0", "2000", "4000"}));
}

TEST(ColumnPoints, KeepEachColumnsFirstLowestHighestAndLast) {
  std::mt19937 random(7);
  std::normal_distribution<double> step;
  std::vector<double> walk{0};
  for (int i = 1; i <= 100000; ++i) walk.push_back(walk.back() + step(random));
  const std::vector<Point> shown = column_points(walk, 0.01, 1000, 200);
  EXPECT_LE(shown.size(), 800U);
  EXPECT_EQ(shown.front().x, 0);
  EXPECT_EQ(shown.back().x, 1000);
  // Each column's extremes, of all points and of those kept.
  std::vector<std::pair<double, double>> all(200, {INFINITY, -INFINITY}), kept = all;
  const auto widen = [](std::vector<std::pair<double, double>>& columns, const Point& p) {
    auto& [low, high] = columns[static_cast<std::size_t>(std::min(static_cast<int>(p.x / 5), 199))];
    low = std::min(low, p.y);
    high = std::max(high, p.y);
  };
  for (std::size_t i = 0; i < walk.size(); ++i) widen(all, {static_cast<double>(i) * 0.01, walk[i]});
  for (const Point& p : shown) widen(kept, p);
  EXPECT_EQ(kept, all);
  for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_LT(shown[i - 1].x, shown[i].x);
  EXPECT_EQ(column_points(std::span(walk).first(201), 0.01, 2, 200).size(), 201U);
}

}  // namespace
}  // namespace novabit::figures
