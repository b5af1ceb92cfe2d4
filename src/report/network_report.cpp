#include "report/network_report.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <queue>

#include "experiment/bias_window.h"
#include "experiment/experiment_numbers.h"
#include "keystream/random_key.h"
#include "report/station_readers.h"
#include "report/trials_reader.h"
#include "seal/seal.h"

namespace novabit::report {

namespace {

// The picture needs no more points than this along its width.
constexpr std::size_t kMostPathPoints = 4096;

// A station's hidden windows, one cycle at a time, from its seal.
class StationWindows {
 public:
  StationWindows(const RandomKey& key, bool bitsFromStream) : key_(key), bitsFromStream_(bitsFromStream) {}

  bool inside(std::int64_t pass) {
    const std::int64_t cycle = (pass - 1) / kPassesPerCycle;
    if (cycle != cycle_) {
      cycle_ = cycle;
      place_ = bias_window_of_cycle(key_, cycle, bitsFromStream_);
    }
    const std::int64_t minute = (pass - 1) % kPassesPerCycle / kPassesPerMinute;
    return place_.startMinute < minute && minute < place_.startMinute + kBiasWindowSpan;
  }

 private:
  RandomKey key_;
  bool bitsFromStream_;
  std::int64_t cycle_ = -1;
  BiasWindowPlace place_{};
};

// One file of a station, read one second ahead: the first by itself, the
// rest by the station readers.
struct Member {
  std::size_t station = 0;
  std::unique_ptr<FileNotes> notes;
  std::unique_ptr<TrialsStream> stream;
  std::optional<TrialSecond> next;

  Outcome take(const Next<TrialSecond>& read) {
    if (!read) return read.failure();
    next = *read;
    return {};
  }
};

struct Station {
  NetworkStation shown;
  SeriesAccumulator series{kBitsPerPass, BoundarySettings{}};
  std::optional<StationWindows> windows;
  std::optional<std::int64_t> lastUtc;  // of its last second counted
};

// Each file of the input read one second ahead, joined to its station: the
// first file with a key commitment founds it, its copies join it.
Result<std::vector<Member>> open_members(const NetworkInput& input, std::vector<Station>& stations) {
  std::vector<Member> members;
  for (const std::string& file : input.files) {
    Member member;
    member.notes = std::make_unique<FileNotes>();
    Result<std::unique_ptr<TrialsStream>> opened = TrialsStream::open(file, *member.notes);
    if (!opened) return opened.failure();
    member.stream = std::move(*opened);
    const Result<TrialsHead> head = member.stream->reader().head();
    if (!head) return head.failure();
    member.station = stations.size();
    for (std::size_t s = 0; s < stations.size() && !head->keyCommitment.empty(); ++s) {
      if (stations[s].shown.keyCommitment == head->keyCommitment) member.station = s;
    }
    if (member.station == stations.size()) {
      Station station;
      station.shown.name = head->station.empty() ? std::filesystem::path(file).filename().string() : head->station;
      station.shown.keyCommitment = head->keyCommitment;
      stations.push_back(std::move(station));
    }
    stations[member.station].shown.files.push_back(file);
    if (Outcome range = member.stream->reader().read_range(input.from, input.to); !range) return range.failure();
    if (Outcome read = member.take(member.stream->next()); !read) return read.failure();
    members.push_back(std::move(member));
  }
  return members;
}

// Each seal finds its station by its key's commitment; a seal of a station
// not among the inputs is left out, so that a keeper's whole folder can be given.
Outcome add_windows(const NetworkInput& input, std::vector<Station>& stations, std::vector<FileNote>& leftOut) {
  for (const std::string& file : input.seals) {
    const Result<Seal> seal = read_seal_file(file);
    if (!seal) return seal.failure();
    const std::string commitment = key_commitment(seal->key);
    bool fits = false;
    for (Station& station : stations) {
      if (station.shown.keyCommitment != commitment) continue;
      station.windows.emplace(seal->key, seal->source.kind == SourceSpec::Kind::keyed);
      fits = true;
    }
    if (!fits) {
      leftOut.push_back({file, "left out: its key is the key of none of the raw records" +
                                   (seal->station.empty() ? std::string() : " (station " + seal->station + ")")});
    }
  }
  if (input.outsideWindows) {
    for (const Station& station : stations) {
      if (!station.windows) return Failure{"--outside-windows: no seal for " + station.shown.files.front(), 0};
    }
  }
  return {};
}

// The stations' k - 100 of one second, added up.
struct SecondSums {
  std::int64_t deviation = 0;
  std::int64_t squaredDeviations = 0;
  int present = 0;
};

// A station's second, counted once however many copies hold it.
void count_second(Station& station, const TrialSecond& second, bool outsideWindows, SecondSums& sums) {
  if (station.lastUtc == second.utc) return;
  station.lastUtc = second.utc;
  if (station.windows && outsideWindows && station.windows->inside(second.pass)) {
    ++station.shown.insideWindows;
    return;
  }
  const std::int64_t deviation = second.ones - kBitsPerPass / 2;
  station.series.add(second.ones);
  station.shown.sumDeviation += deviation;
  station.shown.sumSquaredDeviation += deviation * deviation;
  station.shown.healthAlarms += second.alarm ? 1 : 0;
  station.shown.latePasses += second.late ? 1 : 0;
  sums.deviation += deviation;
  sums.squaredDeviations += deviation * deviation;
  ++sums.present;
}

// A second with at least two stations, added to the network. The running
// chi-square draws the path; the summary's is derived from the exact sums.
Result<NetworkSecond> add_second(std::int64_t utc, const SecondSums& sums, NetworkReport& report) {
  if (!report.sums.add(sums.present, sums.deviation, sums.squaredDeviations)) {
    return Failure{"the network's sums exceed 64 bits at " + std::to_string(utc), 0};
  }
  const double networkZ =
      static_cast<double>(sums.deviation) / std::sqrt(static_cast<double>(events::kDeviationVariance * sums.present));
  ++report.seconds;
  report.sumZSquared += networkZ * networkZ;
  if (!report.firstUtc) report.firstUtc = utc;
  report.lastUtc = utc;
  if (report.seconds % report.pathStep == 0) report.path.push_back(report.network_variance());
  if (report.path.size() > kMostPathPoints) {
    // Every other point, twice as far apart.
    for (std::size_t i = 0; 2 * i < report.path.size(); ++i) report.path[i] = report.path[2 * i];
    report.path.resize((report.path.size() + 1) / 2);
    report.pathStep *= 2;
  }
  return NetworkSecond{utc, sums.present, networkZ, report.network_variance(), sums.deviation, sums.squaredDeviations};
}

}  // namespace

SeriesStatistics pass_series(std::int64_t passes, std::int64_t sumDeviation, std::int64_t sumSquaredDeviation,
                             const SeriesStatistics& boundary) {
  SeriesStatistics series = boundary;
  const auto variance = static_cast<double>(events::kDeviationVariance);
  series.trials = passes;
  series.bitsPerTrial = kBitsPerPass;
  series.sumZ = static_cast<double>(sumDeviation) / std::sqrt(variance);
  series.sumZSquared = static_cast<double>(sumSquaredDeviation) / variance;
  series.deviation = static_cast<double>(sumDeviation);
  series.envelope = kEnvelopeZ * std::sqrt(static_cast<double>(passes) * variance);
  return series;
}

void derive_figures(NetworkReport& report) {
  report.seconds = report.sums.seconds();
  report.sumZSquared = report.sums.sum_z_squared();
  report.stationSeconds = report.sums.stationSeconds;
  report.sumDeviceZSquared = report.sums.sum_device_z_squared();
  for (NetworkStation& station : report.stations) {
    station.series = pass_series(station.seconds, station.sumDeviation, station.sumSquaredDeviation, station.series);
  }
}

double NetworkReport::envelope(std::int64_t seconds) {
  return kEnvelopeZ * std::sqrt(2.0 * static_cast<double>(seconds));
}

Result<NetworkReport> network_report(const NetworkInput& input,
                                     const std::function<Outcome(const NetworkSecond&)>& eachSecond) {
  std::vector<Station> stations;
  Result<std::vector<Member>> opened = open_members(input, stations);
  if (!opened) return opened.failure();
  std::vector<Member>& members = *opened;
  NetworkReport report;
  if (Outcome windows = add_windows(input, stations, report.leftOut); !windows) return windows.failure();
  std::vector<SecondStream*> streams;
  for (Member& member : members) streams.push_back(member.next ? member.stream.get() : nullptr);
  StationReaders readers(streams, input.readers);
  const auto later = [&members](std::size_t a, std::size_t b) { return members[a].next->utc > members[b].next->utc; };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> waiting(later);
  for (std::size_t m = 0; m < members.size(); ++m) {
    if (members[m].next) waiting.push(m);
  }
  while (!waiting.empty()) {
    const std::int64_t utc = members[waiting.top()].next->utc;
    SecondSums sums;
    while (!waiting.empty() && members[waiting.top()].next->utc == utc) {
      const std::size_t m = waiting.top();
      waiting.pop();
      if ((!input.from || utc >= *input.from) && (!input.to || utc < *input.to)) {
        count_second(stations[members[m].station], *members[m].next, input.outsideWindows, sums);
      }
      if (Outcome read = members[m].take(readers.next(m)); !read) return read.failure();
      if (members[m].next) waiting.push(m);
    }
    if (sums.present < 2) continue;
    const Result<NetworkSecond> second = add_second(utc, sums, report);
    if (!second) return second.failure();
    if (eachSecond) {
      if (Outcome told = eachSecond(*second); !told) return told.failure();
    }
  }
  for (Member& member : members) stations[member.station].shown.notes.push_back(std::move(*member.notes));
  for (Station& station : stations) {
    station.shown.series = station.series.statistics();
    station.shown.seconds = station.shown.series.trials;
    report.stations.push_back(std::move(station.shown));
  }
  derive_figures(report);
  return report;
}

}  // namespace novabit::report
