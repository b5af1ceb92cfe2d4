// The report's figures against the same figures computed apart: from the
// simulator's trace of each pass of a sealed run, with the plain formulas,
// and the windows from the same trace. Then the numbers' texts at
// every magnitude and chi-square's p against the table, the always-valid
// boundary worked out in Python, and the picture's panels and boundary lines.

#include <gtest/gtest.h>

#include <cmath>

#include "report/plot.h"
#include "report/report_picture.h"
#include "report/sealed_run.h"
#include "report/summary_text.h"
#include "support/picture.h"

namespace novabit::report {
namespace {

struct Figures {
  double sumZ = 0, sumZSquared = 0, deviation = 0;
  std::int64_t trials = 0;
  void add(std::int64_t ones, std::int64_t bits) {
    const double z = (ones - bits / 2.0) / std::sqrt(bits / 4.0);
    sumZ += z;
    sumZSquared += z * z;
    deviation += ones - bits / 2.0;
    ++trials;
  }
  void expect_in(const SeriesStatistics& s, std::int64_t bits) const {
    EXPECT_EQ(s.trials, trials);
    EXPECT_NEAR(s.stouffer_z(), sumZ / std::sqrt(trials), 1e-9);
    EXPECT_NEAR(static_cast<double>(s.stouffer_p()) / std::erfc(std::abs(sumZ) / std::sqrt(2.0 * trials)), 1, 1e-6);
    EXPECT_NEAR(s.sumZSquared, sumZSquared, 1e-6);
    EXPECT_EQ(s.deviation, deviation);
    EXPECT_NEAR(s.envelope, 1.96 * std::sqrt(trials * bits / 4.0), 1e-9);
  }
};

// The run's report with its raw record and seal, and the simulator's trace:
// each pass's ones and the window's place.
struct Reported {
  FieldReport report{BoundarySettings{}};
  std::vector<testing::TraceRow> trace = testing::read_trace(testing::sealed_run().folder.file("trace.csv"));
  Reported() {
    const testing::SealedRun& run = testing::sealed_run();
    report = std::move(*build_report(*plan_report({run.log}, {run.trials}, {run.seal}), BoundarySettings{}, {}));
  }
  std::int64_t ones_between(std::size_t first, std::size_t last) const {
    std::int64_t sum = 0;
    for (std::size_t pass = first; pass <= last; ++pass) sum += trace[pass - 1].ones;
    return sum;
  }
};

TEST(ReportFigures, AgreeWithTheSimulatorsTraceComputedApart) {
  const Reported run;
  ASSERT_EQ(run.trace.size(), 45000U);
  Figures all, quarters, seconds;
  std::vector<Figures> cycles(2);
  for (std::size_t pass = 300; pass <= 45000; pass += 300) {
    const std::int64_t ones = run.ones_between(pass - 299, pass);
    all.add(ones, 60000);
    cycles[(pass - 1) / 43201].add(ones, 60000);
    if (pass % 900 == 0) quarters.add(run.ones_between(pass - 899, pass), 180000);
  }
  for (const testing::TraceRow& pass : run.trace) seconds.add(pass.ones, 200);
  all.expect_in(run.report.fiveMinutes.statistics(), 60000);
  quarters.expect_in(run.report.quarters.statistics(), 180000);
  seconds.expect_in(run.report.trials.at(0).seconds.statistics(), 200);
  ASSERT_EQ(run.report.cycles.size(), 2U);
  for (std::size_t c = 0; c < 2; ++c) {
    EXPECT_EQ(run.report.cycles[c].cycle, static_cast<std::int64_t>(c + 1));
    cycles[c].expect_in(run.report.cycles[c].fiveMinutes.statistics(), 60000);
  }
  const WindowCheck& windows = run.report.sealed.at(0).windows;
  ASSERT_EQ(windows.cycles.size(), 2U);
  for (const CycleWindow& window : windows.cycles) {
    const testing::TraceRow& first = run.trace[static_cast<std::size_t>((window.cycle - 1) * 43201)];
    EXPECT_EQ(window.place.startMinute, first.biasStartMinute);
    EXPECT_EQ(window.place.bit, first.biasBit);
  }
  EXPECT_LT(std::abs(windows.cycles[0].outside.stouffer_z()), 3);
  EXPECT_FALSE(windows.cycles[1].scan) << "the second cycle's 6 records are too few for the scan's 20";
}

TEST(ReportFigures, NumbersReadRightAtEveryMagnitude) {
  EXPECT_EQ(e_value_text(std::log(3.5)), "3.50");
  EXPECT_EQ(e_value_text(-2.0), "0.14");
  EXPECT_EQ(e_value_text(400.99999 * std::log(10.0)), "1.0e+401");
  EXPECT_EQ(e_value_text(400.5 * std::log(10.0)), "3.2e+400");
  EXPECT_EQ(p_text(0.0312L), "0.0312");
  EXPECT_EQ(p_text(2.41e-7L), "2.41e-07");
  EXPECT_EQ(p_text(0), "< 1e-4900");
  const std::string empty = summary_text(FieldReport{BoundarySettings{}}, {});
  EXPECT_NE(empty.find("\n  all                        0  (no trials)\n"), std::string::npos) << empty;
  // Chi-square of N trials on exactly N degrees of freedom: the table's upper 5 % points.
  for (const auto& [trials, point] : {std::pair{1, 3.8415}, std::pair{6, 12.5916}, std::pair{150, 179.5806}}) {
    const SeriesStatistics series{trials, 200, 0, point, 0, 0, 0, {}};  // the sum of z^2 at the point
    EXPECT_NEAR(static_cast<double>(series.chi_square_p()), 0.05, 1e-5) << trials;
  }
}

// Worked out in Python: log E = -ln(1 + N tau^2) / 2 + tau^2 S^2 / (2 (1 + N tau^2)).
TEST(ReportFigures, TheBoundaryIsCrossedWhenTheEvidenceReachesOneOverAlpha) {
  SeriesAccumulator series(60000, BoundarySettings{});
  series.add(31000);
  EXPECT_NEAR(series.statistics().maxLogE, 1.7176166632205696, 1e-12);
  EXPECT_FALSE(series.statistics().firstCrossing);
  series.add(31000);
  EXPECT_NEAR(series.statistics().maxLogE, 6.5785627432329115, 1e-12);
  EXPECT_EQ(series.statistics().firstCrossing, 1);
  EXPECT_NEAR(mixture_log_e(series.boundary(2) / std::sqrt(15000.0), 2, 0.235), std::log(20.0), 1e-9);
}

// Columns of the picture holding `colour` somewhere in rows `top` to `bottom`,
// with how many of those rows each holds.
std::vector<int> columns_with(const FrameBuffer& frame, Colour colour, int top, int bottom) {
  std::vector<int> rows;
  for (int x = 80; x < 790; ++x) {
    int count = 0;
    for (int y = top; y <= bottom; ++y) count += frame.pixel(x, y) == pixel_from_colour(colour) ? 1 : 0;
    if (count > 0) rows.push_back(count);
  }
  return rows;
}

TEST(ReportPicture, DrawsRunsSolidCyclesDottedAndTheRecordsOutsideTheWindowsApart) {
  const Reported run;
  FrameBuffer frame(1);
  draw_report_picture(run.report, frame);
  // The upper panel is shaded where the window's records lie; the lower one,
  // the records outside the windows, is not.
  EXPECT_GT(columns_with(frame, kWindowColour, 60, 62).size(), 30U);
  EXPECT_EQ(columns_with(frame, kWindowColour, 320, 500).size(), 0U);
  EXPECT_EQ(columns_with(frame, kCycleColour, 320, 500).size(), 1U);
  int zeros = 0;  // the labels of the axes' ticks, one 0 on each panel
  for (int row = 1; row <= 37; ++row) zeros += testing::shows_text(frame, row, 1, "       0", kTextColour, 0) ? 1 : 0;
  EXPECT_EQ(zeros, 2);

  FieldReport many{BoundarySettings{}};
  for (std::size_t cycle = 0; cycle < 200; ++cycle) {
    many.picture.boundaries.push_back({many.picture.ones.size(), cycle % 50 == 0});
    many.picture.ones.insert(many.picture.ones.end(), 144, 30000);
    many.picture.window.insert(many.picture.window.end(), 144, WindowShare::outside);
  }
  draw_report_picture(many, frame);
  const std::vector<int> runs = columns_with(frame, kRunColour, 100, 500);
  const std::vector<int> cycles = columns_with(frame, kCycleColour, 100, 500);
  // Solid but where the curves cross them; the first run's start is the axis.
  EXPECT_EQ(runs.size(), 3U);
  for (const int rows : runs) EXPECT_GT(rows, 380);
  EXPECT_GT(cycles.size(), 40U);
  EXPECT_LE(cycles.size(), kMostCycleLines);
  for (const int rows : cycles) EXPECT_LT(rows, 300);
}

}  // namespace
}  // namespace novabit::report
