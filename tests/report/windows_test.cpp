// The hidden windows in the report: which records count inside a window,
// placed by hand at both of its edges; and the blind scan finding windows
// that force either value, at the start, the middle and the end of a cycle,
// against the minutes the simulator's trace shows forced.

#include <gtest/gtest.h>

#include <algorithm>

#include "report/field_report.h"
#include "report/report_plan.h"
#include "report/sealed_run.h"
#include "report/window_check.h"

namespace novabit::report {
namespace {

// A window starting at minute S forces cycle minutes S + 1 to S + 99: passes
// 60 (S + 1) + 1 to 60 (S + 100) of the first cycle. A record ends at a
// multiple of 300 passes.
TEST(WindowRule, ARecordAtAnEdgeCountsOnTheSideOfMostOfItsPasses) {
  const struct {
    std::int64_t start, recordEnd;
    WindowShare share;
  } cases[] = {
      {101, 6300, WindowShare::inside},    // its last 180 passes are the window's first three minutes
      {102, 6300, WindowShare::outside},   // 120
      {103, 12300, WindowShare::inside},   // its first 180 passes are the window's last three minutes
      {102, 12300, WindowShare::outside},  // 120
      {100, 6000, WindowShare::outside},   // none
  };
  for (const auto& c : cases) {
    EXPECT_EQ(window_share(c.recordEnd, {c.start, 1}), c.share) << c.start << " " << c.recordEnd;
  }
}

TEST(WindowScan, FindsWindowsOfEitherValueWhereverTheyLie) {
  // Keys whose first window starts at minute 60 (zeros), 337 (zeros), 340 (ones) and 617 (zeros).
  for (const std::int64_t seed : {155, 273, 3, 203}) {
    const testing::ScratchDirectory folder;
    const std::string seal = folder.file("run.seal");
    testing::write_seal(seal, seed, {2026, 12, 5, 10, 0, 0});
    ASSERT_EQ(testing::run_simulator({"--seal", seal, "--no-screen", "--no-trials", "--passes", "43200", "--dir", folder.file(""),
                                      "--trace", folder.file("t.csv"), "--reveal-bias"})
                  .status,
              0);
    std::vector<std::int64_t> forced;
    for (const testing::TraceRow& row : testing::read_trace(folder.file("t.csv"))) {
      if (row.forced == 1) forced.push_back(row.cycleMinute);
    }
    ASSERT_FALSE(forced.empty());
    const Result<FieldReport> report =
        build_report(*plan_report({folder.file(testing::kLog)}, {}, {seal}), BoundarySettings{}, {});
    ASSERT_TRUE(report);
    const CycleWindow& window = report->sealed.at(0).windows.cycles.at(0);
    const std::int64_t start = window.place.startMinute;
    EXPECT_EQ(start + 1, *std::min_element(forced.begin(), forced.end())) << seed;
    EXPECT_EQ(start + kBiasWindowMinutes, *std::max_element(forced.begin(), forced.end())) << seed;
    // The stretch is 20 records, 100 whole minutes from a record's start,
    // and covers as much of the window as any such stretch can.
    std::int64_t bestOverlap = 0;
    for (std::int64_t first = 0; first + 99 < kCycleMinutes; first += 5) {
      bestOverlap = std::max(bestOverlap, std::min(first + 99, start + 99) - std::max(first, start + 1) + 1);
    }
    ASSERT_TRUE(window.scan) << seed;
    EXPECT_TRUE(window.scan->found()) << seed;
    EXPECT_EQ(window.scan->firstMinute % 5, 0) << seed;
    EXPECT_EQ(window.scan->lastMinute - window.scan->firstMinute + 1, 100) << seed;
    EXPECT_EQ(window.scan->overlapMinutes, bestOverlap) << seed;
  }
}

}  // namespace
}  // namespace novabit::report
