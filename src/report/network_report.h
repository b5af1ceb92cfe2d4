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

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "report/file_notes.h"
#include "report/series_statistics.h"

namespace novabit::report {

struct NetworkStation {
  std::string name;                // the record's station line, else the first file's name
  std::vector<std::string> files;  // more than one: copies, each second counted once
  std::string keyCommitment;
  std::int64_t seconds = 0;       // its seconds in the analysis
  SeriesStatistics series;        // of those seconds
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
  double deviceZSquared = 0;  // sum z^2 over its stations
};

struct NetworkReport {
  std::vector<NetworkStation> stations;
  std::vector<FileNote> leftOut;  // seals of no station among the inputs
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
  std::size_t readers = 0;         // threads reading the files at most; 0: one per usable CPU
};

// Reads every file once, by StationReaders; `eachSecond`, when given, hears every second of the
// network in time order. A failure names the file.
Result<NetworkReport> network_report(const NetworkInput& input,
                                     const std::function<Outcome(const NetworkSecond&)>& eachSecond = {});

}  // namespace novabit::report
