// The network analysis on hand-made raw records of three stations, one of
// them given twice, one missing a second and one with a second of its own,
// against figures worked out by hand: with d = k - 100, z^2 = d^2 / 50 and
// Z_t^2 = (sum d)^2 / (50 S_t); chi-square tails of even degrees of freedom
// in closed form, and the CSV of the seconds; the stations whose clocks were
// not synchronised to half a second noted. Then exactly the seconds inside each station's hidden
// windows left out, and none when the seals come without --outside-windows.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "report/network_output.h"
#include "report/network_report.h"
#include "report/partial_sums.h"
#include "report/raw_records.h"
#include "seal/seal.h"
#include "support/files.h"

namespace novabit::report {
namespace {

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
  const std::string stationA = raw_record("A", a, {{1, 110}, {2, 95, "repetition_count"}, {3, 120}, {4, 90}});
  testing::write_bytes(folder.file("a.csv"), stationA);
  testing::write_bytes(folder.file("a-again.csv"), stationA);
  testing::write_bytes(folder.file("b.csv"),
                       raw_record("B", b, {{1, 110}, {2, 115}, {4, 70, "late"}}, "unsynchronized max_error_seconds=16"));
  testing::write_bytes(folder.file("c.csv"),
                       raw_record("C", c, {{1, 105}, {2, 90}, {3, 130}, {6, 150}}, "synchronized max_error_seconds=0.500001"));
  NetworkCsv csv(folder.file("n.csv"));
  const Result<NetworkReport> report =
      network_report({{folder.file("a.csv"), folder.file("b.csv"), folder.file("a-again.csv"), folder.file("c.csv")}, {}, false},
                     [&](const NetworkSecond& second) { return csv.add(second); });
  ASSERT_TRUE(report) << report.failure().message();
  ASSERT_TRUE(csv.close());
  // Z_t^2: 625/150, 0, 2500/100, 1600/100; z^2 summed: 225/50, 350/50, 1300/50, 1000/50. The CSV's
  // Z_t are 25/sqrt(150), 0, 5 and -4, the cumulative variances 625/150 - 1, then - 2, + 22 and + 37.
  EXPECT_EQ(testing::file_bytes(folder.file("n.csv")),
            "utc,stations,network_z,cumulative_network_variance\r\n2026-12-05T10:00:00Z,3,2.041241,3.167\r\n"
            "2026-12-05T10:00:01Z,3,0.000000,2.167\r\n2026-12-05T10:00:02Z,2,5.000000,26.167\r\n"
            "2026-12-05T10:00:03Z,2,-4.000000,41.167\r\n");
  EXPECT_EQ(report->seconds, 4);
  EXPECT_NEAR(report->network_variance(), 625.0 / 150 + 25 + 16 - 4, 1e-9);
  EXPECT_NEAR(static_cast<double>(report->network_p()) / even_chi_square_p(625.0 / 150 + 41, 4), 1, 1e-6);
  EXPECT_EQ(report->stationSeconds, 10);
  EXPECT_NEAR(report->device_variance(), 57.5 - 10, 1e-9);
  EXPECT_NEAR(static_cast<double>(report->device_p()) / even_chi_square_p(57.5, 10), 1, 1e-6);
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
  // The clocks of B and C were not synchronised to within half a second as their runs began; A's was.
  const std::string untrusted = ") was not synchronised to within half a second: its UTC stamps may name the wrong second\n";
  for (const std::string clock : {"b.csv:5: the clock as the run began (clock=unsynchronized max_error_seconds=16",
                                  "c.csv:5: the clock as the run began (clock=synchronized max_error_seconds=0.500001"}) {
    EXPECT_NE(summary.find(clock + untrusted), std::string::npos) << summary;
  }
  EXPECT_EQ(summary.find("a.csv:5"), std::string::npos) << summary;
}

// Station A's seal places its first window at minute 60, so that it forces
// minutes 61 to 159, passes 3661 to 9600; station B's lies far from there.
// Outside the windows only the seconds of minutes 60 and 160 are left with two
// stations; with the seals alone every second counts.
TEST(NetworkReport, LeavesOutExactlyTheSecondsInsideEachStationsWindows) {
  const testing::ScratchDirectory folder;
  const RandomKey a = key_from_seed(155), b = key_from_seed(273);
  const std::vector<Row> edges{{3660, 110}, {3661, 120}, {9600, 90}, {9601, 105}};
  testing::write_bytes(folder.file("a.csv"), raw_record("A", a, edges));
  testing::write_bytes(folder.file("b.csv"), raw_record("B", b, edges));
  testing::write_bytes(folder.file("a.seal"), seal_text({a, {2026, 12, 5, 9, 0, 0}, {}, {}}));
  testing::write_bytes(folder.file("b.seal"), seal_text({b, {2026, 12, 5, 9, 0, 0}, {}, {}}));
  const std::vector<std::string> files = {folder.file("a.csv"), folder.file("b.csv")};
  const auto passes = [&](bool outsideWindows) {
    std::vector<std::int64_t> counted;
    const auto count = [&](const NetworkSecond& second) {
      counted.push_back(second.utc - 1796464800 + 1);
      return Outcome{};
    };
    EXPECT_TRUE(network_report({files, {folder.file("a.seal"), folder.file("b.seal")}, outsideWindows}, count));
    return counted;
  };
  EXPECT_EQ(passes(false), (std::vector<std::int64_t>{3660, 3661, 9600, 9601}));
  EXPECT_EQ(passes(true), (std::vector<std::int64_t>{3660, 9601}));
  const Result<NetworkReport> lone = network_report({{folder.file("b.csv")}, {folder.file("a.seal")}, false});
  ASSERT_TRUE(lone);
  EXPECT_EQ(lone->leftOut.size(), 1U) << "a seal of no station given, left out";
  EXPECT_FALSE(network_report({files, {folder.file("a.seal")}, true})) << "no seal for B";
}

// Stations of 5000 seconds from 10:00:00 (pass p at p - 1 s), one given
// twice with a second lost from each copy (passes 2101 and 4501); one damaged
// after pass 3000 by a line of four fields and a pass 2999, after pass 4000 by
// more lines of garbage than are shown, with a torn end and a clock not
// synchronised as its run began; one starting at pass 10.
std::vector<std::string> damaged_network(const testing::ScratchDirectory& folder) {
  std::vector<Row> rows;
  for (std::int64_t pass = 1; pass <= 5000; ++pass) rows.push_back({pass, static_cast<int>(80 + pass * 7 % 41)});
  const auto without = [&rows](std::size_t lost) {
    std::vector<Row> kept = rows;
    kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(lost));
    return kept;
  };
  testing::write_bytes(folder.file("a.csv"), raw_record("A", key_from_seed(1), without(2100)));
  testing::write_bytes(folder.file("a-copy.csv"), raw_record("A", key_from_seed(1), without(4500)));
  std::string damaged = raw_record("B", key_from_seed(2), rows, "unsynchronized max_error_seconds=16");
  damaged.insert(damaged.find("\r\n3001,") + 2,
                 "3001,2026-12-05T10:50:00Z;12-05-2026 10:50:00,99,\r\n2999,2026-12-05T10:49:58Z,12-05-2026 10:49:58,99,\r\n");
  // More notes than are shown, from pass 4001 on.
  for (int garbage = 0; garbage < 24; ++garbage) damaged.insert(damaged.find("\r\n4001,") + 2, "?\r\n");
  testing::write_bytes(folder.file("b.csv"), damaged + "5001,2026-12");
  testing::write_bytes(folder.file("c.csv"), raw_record("C", key_from_seed(3), std::vector<Row>(rows.begin() + 9, rows.end())));
  return {folder.file("a.csv"), folder.file("b.csv"), folder.file("a-copy.csv"), folder.file("c.csv")};
}

// Whatever the number of threads reading the files, the summary, its notes
// and the CSV are those of the files read one by one, and a failure of the
// merge stops the readers where one reader would stop.
TEST(NetworkReport, GivesTheSameWhateverTheThreadsReadingTheFiles) {
  const testing::ScratchDirectory folder;
  const std::vector<std::string> files = damaged_network(folder);
  const auto report = [&](std::size_t readers, std::int64_t failAt) {
    NetworkCsv csv(folder.file("n.csv"));
    std::int64_t seconds = 0;
    const Result<NetworkReport> network =
        network_report({files, {}, false, std::nullopt, std::nullopt, readers}, [&](const NetworkSecond& second) {
          return ++seconds == failAt ? Failure{"told to stop", 0} : csv.add(second);
        });
    EXPECT_TRUE(csv.close());
    return network ? network_summary_text(*network, false) + testing::file_bytes(folder.file("n.csv"))
                   : network.failure().message() + std::to_string(seconds);
  };
  const std::string alone = report(1, 0);
  const std::string notes = "b.csv:3007: skipped: not a line of five fields\n" + folder.file("b.csv") +
                            ":3008: left out: pass 2999 comes after pass 3000\n";
  EXPECT_NE(alone.find(notes), std::string::npos) << alone;
  for (const std::size_t readers : {2, 4, 0}) EXPECT_EQ(report(readers, 0), alone) << readers << " readers";
  for (const std::size_t readers : {1, 3}) EXPECT_EQ(report(readers, 3000), "told to stop3000") << readers;
}

// The same network cut into time ranges, each read from a bisection of its
// files an hour before it, the cuts through a lost second and the damage
// too: the ranges added up give the whole run's figures and notes, each line
// noted once, the head's note once in all.
TEST(NetworkReport, TimeRangesCutAnywhereAddUpToTheWholeRun) {
  const testing::ScratchDirectory folder;
  const std::vector<std::string> files = damaged_network(folder);
  const Result<NetworkReport> whole = network_report({files, {}, false});
  ASSERT_TRUE(whole);
  const std::string expected = network_summary_text(*whole, false);
  // Cuts at passes 2101 (lost from a.csv), 3001 and 3000 (either side of the damage), and 5000.
  for (const std::vector<std::int64_t>& cuts : {std::vector<std::int64_t>{2101, 3001}, {1500, 3000, 5000}}) {
    const auto at = [&cuts](std::size_t c) {
      return c == 0 || c > cuts.size() ? std::nullopt : std::optional(1796464800 + cuts[c - 1] - 1);
    };
    std::vector<PartialSums> partials;
    for (std::size_t range = cuts.size() + 1; range-- > 0;) {
      Result<NetworkReport> part = network_report({files, {}, false, at(range), at(range + 1), 2});
      ASSERT_TRUE(part);
      partials.push_back({"part", at(range), at(range + 1), false, "", std::move(*part), {}});
    }
    const Result<PartialSums> combined = combine_partial_sums(std::move(partials));
    ASSERT_TRUE(combined);
    EXPECT_EQ(network_summary_text(combined->report, false), expected) << cuts.size() << " cuts";
  }
  // A range of the last second holds a valid second; one after it none, which the report refuses.
  const auto last = [&](std::int64_t seconds) {
    return network_report({files, {}, false, 1796469799, 1796469799 + seconds})->any_valid_second();
  };
  EXPECT_TRUE(last(1));
  EXPECT_FALSE(last(0));
}

}  // namespace
}  // namespace novabit::report
