// The network analysis on hand-made raw records of three stations, one of
// them given twice, one missing a second and one with a second of its own,
// against figures worked out by hand: with d = k - 100, z^2 = d^2 / 50 and
// Z_t^2 = (sum d)^2 / (50 S_t); chi-square tails of even degrees of freedom
// in closed form. Then the seconds inside a station's hidden window left out.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "keystream/random_key.h"
#include "report/network_output.h"
#include "report/network_report.h"
#include "seal/seal.h"
#include "support/files.h"

namespace novabit::report {
namespace {

// A raw record: ones and alarms by pass, the first pass at 10:00:00 UTC on
// 5 December 2026 and each further one a second later.
std::string raw_record(const char* station, const RandomKey& key, std::int64_t firstPass,
                       const std::vector<std::pair<int, const char*>>& passes, const std::vector<int>& skipped = {}) {
  std::string text = "# program=novabit 1.0.0\r\n# source=keyed\r\n# key_sha256=" + key_commitment(key) +
                     "\r\n# station=" + station + "\r\npass,utc,local,ones,alarm\r\n";
  for (std::size_t i = 0; i < passes.size(); ++i) {
    if (std::find(skipped.begin(), skipped.end(), static_cast<int>(i)) != skipped.end()) continue;
    const auto second = static_cast<int>(i);
    text += std::to_string(firstPass + second) + ",2026-12-05T10:00:0" + std::to_string(second) + "Z,12-05-2026 10:00:0" +
            std::to_string(second) + "," + std::to_string(passes[i].first) + "," + passes[i].second + "\r\n";
  }
  return text;
}

// Upper tail of chi-square on 2m degrees of freedom: e^(-x/2) sum_{k<m} (x/2)^k / k!.
double even_chi_square_p(double x, int degrees) {
  double term = 1, sum = 0;
  for (int k = 0; k < degrees / 2; ++k) {
    sum += term;
    term *= x / 2 / (k + 1);
  }
  return std::exp(-x / 2) * sum;
}

TEST(NetworkReport, GivesTheNetworkAndDeviceVariancesWorkedOutByHand) {
  const testing::ScratchDirectory folder;
  const RandomKey a = key_from_seed(1), b = key_from_seed(2), c = key_from_seed(3);
  // d at seconds 0..3 (or 5): A +10 -5 +20 -10; B +10 +15 (none) -30; C +5 -10 +30 (none) (none) +50.
  const std::string stationA = raw_record("A", a, 1, {{110, ""}, {95, "repetition_count"}, {120, ""}, {90, ""}});
  testing::write_bytes(folder.file("a.csv"), stationA);
  testing::write_bytes(folder.file("a-again.csv"), stationA);
  testing::write_bytes(folder.file("b.csv"), raw_record("B", b, 1, {{110, ""}, {115, ""}, {0, ""}, {70, "late"}}, {2}));
  testing::write_bytes(folder.file("c.csv"),
                       raw_record("C", c, 1, {{105, ""}, {90, ""}, {130, ""}, {0, ""}, {0, ""}, {150, ""}}, {3, 4}));
  std::vector<NetworkSecond> seconds;
  const Result<NetworkReport> report =
      network_report({{folder.file("a.csv"), folder.file("b.csv"), folder.file("a-again.csv"), folder.file("c.csv")}, {}, false},
                     [&](const NetworkSecond& second) {
                       seconds.push_back(second);
                       return Outcome{};
                     });
  ASSERT_TRUE(report) << report.failure().message();
  // Z_t^2: 625/150, 0, 2500/100, 1600/100; z^2 summed: 225/50, 350/50, 1300/50, 1000/50.
  EXPECT_EQ(report->seconds, 4);
  EXPECT_NEAR(report->network_variance(), 625.0 / 150 + 25 + 16 - 4, 1e-9);
  EXPECT_NEAR(static_cast<double>(report->network_p()) / even_chi_square_p(625.0 / 150 + 41, 4), 1, 1e-6);
  EXPECT_EQ(report->stationSeconds, 10);
  EXPECT_NEAR(report->device_variance(), 57.5 - 10, 1e-9);
  EXPECT_NEAR(static_cast<double>(report->device_p()) / even_chi_square_p(57.5, 10), 1, 1e-6);
  ASSERT_EQ(seconds.size(), 4U);
  const double cumulative[] = {625.0 / 150 - 1, 625.0 / 150 - 2, 625.0 / 150 + 22, 625.0 / 150 + 37};
  const double z[] = {25 / std::sqrt(150.0), 0, 5, -4};
  for (std::size_t t = 0; t < 4; ++t) {
    EXPECT_EQ(seconds[t].utc, 1796464800 + static_cast<std::int64_t>(t));
    EXPECT_EQ(seconds[t].stations, t < 2 ? 3 : 2);
    EXPECT_NEAR(seconds[t].z, z[t], 1e-9);
    EXPECT_NEAR(seconds[t].cumulativeVariance, cumulative[t], 1e-9);
  }
  ASSERT_EQ(report->stations.size(), 3U);
  const NetworkStation& stationA2 = report->stations[0];
  EXPECT_EQ(stationA2.name, "A");
  EXPECT_EQ(stationA2.files.size(), 2U) << "the copy is the same station";
  EXPECT_EQ(stationA2.seconds, 4);
  EXPECT_NEAR(stationA2.series.stouffer_z(), 15 / std::sqrt(50.0) / 2, 1e-9);
  EXPECT_EQ(stationA2.healthAlarms, 1);
  EXPECT_EQ(report->stations[1].latePasses, 1);
  EXPECT_EQ(report->stations[2].seconds, 4) << "its second alone counts for itself";
  EXPECT_NEAR(report->stations[2].series.stouffer_z(), 75 / std::sqrt(50.0) / 2, 1e-9);
  const std::string summary = network_summary_text(*report, false);
  EXPECT_NE(summary.find("a-again.csv (a copy: its seconds counted once)"), std::string::npos) << summary;
}

// Station A's seconds lie in minute 61 of its first cycle, inside the window
// its seal places at minutes 61 to 159: left out, they leave B and C alone.
TEST(NetworkReport, LeavesOutTheSecondsInsideEachStationsWindows) {
  const testing::ScratchDirectory folder;
  const RandomKey a = key_from_seed(155), b = key_from_seed(2);
  testing::write_bytes(folder.file("a.csv"), raw_record("A", a, 3661, {{110, ""}, {120, ""}}));
  testing::write_bytes(folder.file("b.csv"), raw_record("B", b, 3661, {{90, ""}, {100, ""}}));
  testing::write_bytes(folder.file("a.seal"), seal_text({a, {2026, 12, 5, 9, 0, 0}, {}, {}}));
  testing::write_bytes(folder.file("b.seal"), seal_text({b, {2026, 12, 5, 9, 0, 0}, {}, {}}));
  const std::vector<std::string> files = {folder.file("a.csv"), folder.file("b.csv")};
  const Result<NetworkReport> all = network_report({files, {}, false});
  const Result<NetworkReport> outside = network_report({files, {folder.file("a.seal"), folder.file("b.seal")}, true});
  ASSERT_TRUE(all && outside);
  EXPECT_EQ(all->seconds, 2);
  EXPECT_EQ(outside->seconds, 0);
  EXPECT_EQ(outside->stations[0].insideWindows, 2);
  EXPECT_FALSE(network_report({{folder.file("b.csv")}, {folder.file("a.seal")}, false})) << "a seal of no station given";
  EXPECT_FALSE(network_report({files, {folder.file("a.seal")}, true})) << "no seal for B";
}

}  // namespace
}  // namespace novabit::report
