#pragma once
// The network analysis of several stations: their raw records read side by
// side and merged by UTC second, so that memory grows with the number of
// stations and not with their length. For each second with at least two
// stations, z = (k - 100) / sqrt(50) of each station present and the network
// Z_t = sum z / sqrt(S_t) over the S_t stations; over the T such seconds the
// network variance sum (Z_t^2 - 1), with the chi-square p of sum Z_t^2 on T
// degrees of freedom, and the device variance sum (z^2 - 1) over their
// station-seconds, with its chi-square p. Copies of one station's record
// (the same key commitment) count each second once; with the stations' seals
// the seconds inside their hidden windows may be left out.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "events/network_sums.h"
#include "report/file_notes.h"
#include "report/series_statistics.h"

namespace novabit::report {

struct NetworkStation {
  std::string name;                // the record's station line, else the first file's name
  std::vector<std::string> files;  // more than one: copies, each second counted once
  std::string keyCommitment;
  std::int64_t seconds = 0;       // its seconds in the analysis
  SeriesStatistics series;        // of those seconds
  std::int64_t sumDeviation = 0;  // of k - 100 over them
  std::int64_t sumSquaredDeviation = 0;
  std::int64_t healthAlarms = 0;  // seconds with a health alarm
  std::int64_t latePasses = 0;
  std::int64_t insideWindows = 0;  // seconds left out in its hidden windows
  std::vector<FileNotes> notes;    // one per file
};

// One second of the network, as the CSV shows it.
struct NetworkSecond {
  std::int64_t utc = 0;  // seconds since 1970
  int stations = 0;
  double z = 0;
  double cumulativeVariance = 0;
  std::int64_t deviation = 0;                 // D = sum (k - 100) over its stations
  std::int64_t squaredStationDeviations = 0;  // sum (k - 100)^2 over them
};

// What a report added up from the sums of time ranges covers.
struct CombinedRanges {
  std::size_t ranges = 0;
  std::optional<std::int64_t> from;                         // nothing: from the start of the records
  std::optional<std::int64_t> to;                           // nothing: to their end
  std::vector<std::pair<std::int64_t, std::int64_t>> gaps;  // between ranges, covered by none
};

struct NetworkReport {
  std::vector<NetworkStation> stations;
  std::vector<FileNote> leftOut;  // seals of no station among the inputs
  events::NetworkSums sums;       // the figures below are derived from them
  std::int64_t seconds = 0;       // T: seconds with at least two stations
  double sumZSquared = 0;         // sum of Z_t^2
  std::int64_t stationSeconds = 0;
  double sumDeviceZSquared = 0;  // sum of z^2 over those station-seconds
  std::optional<std::int64_t> firstUtc;
  std::optional<std::int64_t> lastUtc;
  // The cumulative network variance, one point per `pathStep` seconds of the
  // network, at most a few thousand points however long the input.
  std::vector<double> path{0};
  std::int64_t pathStep = 1;
  // Of a report added up from time ranges, which has neither the path nor
  // each station's always-valid boundary.
  std::optional<CombinedRanges> combined;

  // Whether any station has a second counted: without one there is no report.
  bool any_valid_second() const {
    return std::any_of(stations.begin(), stations.end(),
                       [](const NetworkStation& station) { return station.seconds > 0; });
  }
  double network_variance() const { return sumZSquared - static_cast<double>(seconds); }
  long double network_p() const { return chi_square_upper_p(sumZSquared, seconds); }
  double device_variance() const { return sumDeviceZSquared - static_cast<double>(stationSeconds); }
  long double device_p() const { return chi_square_upper_p(sumDeviceZSquared, stationSeconds); }
  // The 95 % envelope of the cumulative network variance after T seconds.
  static double envelope(std::int64_t seconds);
};

struct NetworkInput {
  std::vector<std::string> files;  // raw records
  std::vector<std::string> seals;  // each found its station by the key's commitment
  bool outsideWindows = false;     // leave out the seconds inside the hidden windows
  // Only the seconds from `from` on and before `to` count (UTC seconds since 1970).
  std::optional<std::int64_t> from = std::nullopt;
  std::optional<std::int64_t> to = std::nullopt;
  std::size_t readers = 0;  // threads reading the files at most; 0: one per usable CPU
};

// A station's series of passes from its exact sums; the boundary's figures
// come from `boundary`, which saw the passes one by one.
SeriesStatistics pass_series(std::int64_t passes, std::int64_t sumDeviation, std::int64_t sumSquaredDeviation,
                             const SeriesStatistics& boundary = {});
// The network's and each station's doubles, derived once from the exact sums.
void derive_figures(NetworkReport& report);

// Reads every file once, by StationReaders; `eachSecond`, when given, hears every second of the
// network in time order. A failure names the file.
Result<NetworkReport> network_report(const NetworkInput& input,
                                     const std::function<Outcome(const NetworkSecond&)>& eachSecond = {});

}  // namespace novabit::report
