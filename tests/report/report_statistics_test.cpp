// The report's figures on a log of known counts written by the monitor's own
// StudyLog. Expected values were worked out independently in Python:
// z = (k - 30000) / sqrt(15000); p = math.erfc(|Z| / sqrt(2)); the
// chi-square tail for even df from exp(-x/2) * sum((x/2)^i / i!, i < df/2);
// log E and its maximum by the formula, step by step.

#include <gtest/gtest.h>

#include <sstream>

#include "report/csv_table.h"
#include "report/field_report.h"
#include "report/summary_text.h"
#include "report/log_writer.h"

namespace novabit::report {
namespace {

using testing::Kind;

// Ten five-minute records (z = -sqrt 6, +sqrt 6 / 2, 0, +sqrt 6, 0 ...,
// +sqrt 6 / 2, 0) and their quarters in the monitor's order: a quarter comes
// before the five-minute record of its own pass. The third quarter claims a
// balance its records do not have, and the cycle record comes far too early.
const std::vector<testing::Written> kRecords{
    {Kind::five_minute, 29700}, {Kind::five_minute, 30150}, {Kind::quarter, 89850},     {Kind::five_minute, 30000},
    {Kind::five_minute, 30300}, {Kind::five_minute, 30000}, {Kind::quarter, 90300},     {Kind::five_minute, 30000},
    {Kind::five_minute, 30000}, {Kind::five_minute, 30000}, {Kind::quarter, 90000},     {Kind::five_minute, 30150},
    {Kind::five_minute, 30000}, {Kind::cycle, 1}};

class ReportStatisticsTest : public ::testing::Test {
 protected:
  ReportStatisticsTest() {
    std::vector<StudyRun> runs{place_records("estudio", read_study_log(testing::written_log(directory_.path(), kRecords)))};
    report_ = build_report(std::move(runs), {}, BoundarySettings{});
  }
  testing::ScratchDirectory directory_;
  FieldReport report_;
};

TEST_F(ReportStatisticsTest, CombinesTheTrialsAsWorkedOutByHand) {
  const SeriesStatistics& all = report_.fiveMinutes;
  EXPECT_EQ(all.trials, 10);
  EXPECT_NEAR(all.stouffer_z(), 0.7745966692414833, 1e-12);
  EXPECT_NEAR(static_cast<double>(all.stouffer_p()), 0.438578026081, 1e-11);
  EXPECT_NEAR(all.sumZSquared, 15.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(all.chi_square_p()), 0.13206185628772069, 1e-12);
  EXPECT_EQ(all.deviation, 300);
  EXPECT_NEAR(all.envelope, 759.1047358566536, 1e-9);
  EXPECT_NEAR(all.maxLogE, 0.13012742316907958, 1e-12);
  EXPECT_FALSE(all.firstCrossing);
  ASSERT_EQ(report_.cycles.size(), 1U);
  EXPECT_EQ(report_.cycles[0].fiveMinutes.sumZ, all.sumZ);
  EXPECT_NEAR(report_.quarters.stouffer_z(), 0.408248290463863, 1e-12);
  EXPECT_NEAR(static_cast<double>(report_.quarters.stouffer_p()), 0.6830913983096087, 1e-12);
}

TEST_F(ReportStatisticsTest, ChecksEachQuarterAgainstItsThreeRecordsAndTheOrder) {
  const StudyRun& run = report_.runs[0];
  EXPECT_EQ(run.quartersChecked, 3);
  std::vector<std::string> notes;
  for (const LineNote& note : run.notes) {
    notes.push_back(std::to_string(note.line) + ": " + note.message);
  }
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "25: the quarter record of 12-05-2026 10:04:59 has 90000 ones, its five-minute records at lines "
                       "21, 23 and 29 add up to 90150",
                       "33: cycle record 1 follows 10 five-minute records, not 144: records are missing or out of order"}));
}

TEST(MixtureBoundary, IsCrossedWhenTheEvidenceReachesOneOverAlpha) {
  SeriesAccumulator series(60000, BoundarySettings{});
  series.add(31000);
  EXPECT_NEAR(series.statistics().maxLogE, 1.7176166632205696, 1e-12);
  EXPECT_FALSE(series.statistics().firstCrossing);
  series.add(31000);
  EXPECT_NEAR(series.statistics().maxLogE, 6.5785627432329115, 1e-12);
  EXPECT_EQ(series.statistics().firstCrossing, 1);
  // The boundary in bits is where log E reaches ln 20.
  const double bits = series.boundary(2);
  EXPECT_NEAR(mixture_log_e(bits / std::sqrt(15000.0), 2, 0.235), std::log(20.0), 1e-9);
}

// What the CSV holds adds up to what the summary shows.
TEST_F(ReportStatisticsTest, TheTableReadBackGivesTheSummary) {
  std::istringstream table(csv_table(report_));
  std::string line;
  std::getline(table, line);
  EXPECT_EQ(line, std::string(kCsvHeader) + "\r");
  double sumZ = 0;
  std::string lastFiveMinute;
  int rows = 0;
  while (std::getline(table, line)) {
    ++rows;
    std::vector<std::string> fields;
    std::istringstream cells(line.substr(0, line.size() - 1));
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
    if (fields[4] == "five_minute") {
      sumZ += std::stod(fields[9]);
      lastFiveMinute = fields[10] + " " + fields[11];
    }
  }
  EXPECT_EQ(rows, 14);
  char expected[64];
  std::snprintf(expected, sizeof expected, "%.0f %.3f", report_.fiveMinutes.deviation, report_.fiveMinutes.envelope);
  EXPECT_EQ(lastFiveMinute, expected);
  char stouffer[32];
  std::snprintf(stouffer, sizeof stouffer, "  %10.3f  ", sumZ / std::sqrt(10.0));
  const std::string summary = summary_text(report_);
  EXPECT_NE(summary.find(std::string("all                       10") + stouffer + "  0.4386"), std::string::npos)
      << summary;
}

}  // namespace
}  // namespace novabit::report
