#include "metrics/station_metrics.h"

#include <unistd.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <string_view>
#include <thread>
#include <type_traits>

#include "experiment/experiment_numbers.h"

namespace novabit {

namespace {

constexpr auto kHealthTestNames = [] {
  std::array<std::string_view, kHealthTests.size()> names{};
  for (std::size_t test = 0; test < names.size(); ++test) names[test] = health_test_name(kHealthTests[test]);
  return names;
}();
constexpr std::array<std::string_view, 3> kRecordFileNames = {"study_log", "raw_record", "seal"};

// A label value as the text format quotes it.
std::string label(std::string_view name, std::string_view value) {
  std::string text(name);
  text += "=\"";
  for (const char c : value) {
    if (c == '\\' || c == '"') text += '\\';
    text += c == '\n' ? std::string_view("\\n") : std::string_view(&c, 1);
  }
  return text + '"';
}

// The text of one scrape: families with their HELP and TYPE, then their samples.
class ExpositionText {
 public:
  explicit ExpositionText(std::string_view labels) : labels_(labels) { text_.reserve(4096); }

  void family(std::string_view name, std::string_view type, std::string_view help) {
    text_.append("# HELP ").append(name).append(" ").append(help).append("\n# TYPE ");
    text_.append(name).append(" ").append(type).append("\n");
  }
  template <typename Number>
  void sample(std::string_view name, Number value, std::string_view labels) {
    text_.append(name).append("{").append(labels).append("} ");
    char digits[32];
    if constexpr (std::is_floating_point_v<Number>) {
      if (std::isnan(value)) {  // as the text format spells it
        text_.append("NaN\n");
        return;
      }
    }
    text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr).append("\n");
  }
  template <typename Number>
  void sample(std::string_view name, Number value) {
    sample(name, value, labels_);
  }
  // One sample per value of an extra label.
  template <std::size_t N>
  void samples(std::string_view name, std::string_view labelName, const std::array<std::string_view, N>& values,
               const std::array<std::atomic<std::uint64_t>, N>& counts) {
    for (std::size_t index = 0; index < N; ++index) {
      sample(name, counts[index].load(std::memory_order_relaxed), labels_ + "," + label(labelName, values[index]));
    }
  }
  std::string take() { return std::move(text_); }

 private:
  std::string labels_;
  std::string text_;
};

}  // namespace

StationMetrics::StationMetrics(const StationIdentity& identity, const KernelClock& kernelClock)
    : labels_(label("station", identity.station) + "," + label("source", identity.source)),
      infoLabels_(labels_ + "," + label("version", identity.version) + "," + label("key_sha256", identity.keySha256)),
      runStartSeconds_(identity.runStartSeconds),
      kernelClock_(kernelClock) {}

// The sequence is odd while the three values change; a scrape that saw it
// odd, or changed, reads them again. A scrape that reads a value stored here
// (release, acquire) sees the odd sequence stored before it.
void StationMetrics::pass_counted(int ones, std::int64_t utcSeconds) {
  const std::uint64_t sequence = sequence_.load(std::memory_order_relaxed);
  sequence_.store(sequence + 1, std::memory_order_relaxed);
  passes_.store(passes_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  ones_.store(ones_.load(std::memory_order_relaxed) + static_cast<std::uint64_t>(ones), std::memory_order_release);
  lastPassSeconds_.store(utcSeconds, std::memory_order_release);
  sequence_.store(sequence + 2, std::memory_order_release);
}

StationMetrics::PassCounts StationMetrics::pass_counts() const {
  for (;;) {
    const std::uint64_t sequence = sequence_.load(std::memory_order_acquire);
    const PassCounts counts{passes_.load(std::memory_order_acquire), ones_.load(std::memory_order_acquire),
                            lastPassSeconds_.load(std::memory_order_acquire)};
    if (sequence % 2 == 0 && sequence_.load(std::memory_order_relaxed) == sequence) return counts;
    std::this_thread::yield();
  }
}

void StationMetrics::health_alarm(HealthTest test) {
  healthAlarms_[static_cast<std::size_t>(test)].fetch_add(1, std::memory_order_relaxed);
}

void StationMetrics::late_pass() { latePasses_.fetch_add(1, std::memory_order_relaxed); }

void StationMetrics::seconds_skipped(std::uint64_t count) {
  skippedSeconds_.fetch_add(count, std::memory_order_relaxed);
}

void StationMetrics::record_lost(RecordFile file, std::uint64_t count) {
  recordsLost_[static_cast<std::size_t>(file)].fetch_add(count, std::memory_order_relaxed);
}

void StationMetrics::cycle_completed() { cyclesCompleted_.fetch_add(1, std::memory_order_relaxed); }

void StationMetrics::source_up(bool up) { sourceUp_.store(up, std::memory_order_relaxed); }

std::string StationMetrics::exposition() const {
  const PassCounts counts = pass_counts();
  ExpositionText out(labels_);
  out.family("novabit_info", "gauge", "The program's version and the SHA-256 of its key line, always 1.");
  out.sample("novabit_info", 1, infoLabels_);
  out.family("novabit_run_start_timestamp_seconds", "gauge", "When the run started, in seconds since the epoch.");
  out.sample("novabit_run_start_timestamp_seconds", runStartSeconds_);
  out.family("novabit_passes_total", "counter", "Passes counted, one a second.");
  out.sample("novabit_passes_total", counts.passes);
  out.family("novabit_bits_total", "counter", "Bits counted, 200 a pass.");
  out.sample("novabit_bits_total", counts.passes * std::uint64_t{kBitsPerPass});
  out.family("novabit_ones_total", "counter", "Ones among the bits counted, forced ones included.");
  out.sample("novabit_ones_total", counts.ones);
  out.family("novabit_health_alarms_total", "counter", "Alarms of the source's continuous health tests.");
  out.samples("novabit_health_alarms_total", "test", kHealthTestNames, healthAlarms_);
  out.family("novabit_late_passes_total", "counter", "Passes that started late.");
  out.sample("novabit_late_passes_total", latePasses_.load(std::memory_order_relaxed));
  out.family("novabit_skipped_seconds_total", "counter",
             "Seconds without a pass: the process was stopped, the machine suspended or short of time.");
  out.sample("novabit_skipped_seconds_total", skippedSeconds_.load(std::memory_order_relaxed));
  out.family("novabit_records_lost_total", "counter", "Records that could not be written, by file.");
  out.samples("novabit_records_lost_total", "file", kRecordFileNames, recordsLost_);
  out.family("novabit_last_pass_timestamp_seconds", "gauge",
             "When the last pass was counted, in seconds since the epoch.");
  out.sample("novabit_last_pass_timestamp_seconds", counts.lastPassSeconds);
  out.family("novabit_cycles_completed", "gauge", "12-hour cycles completed in this run.");
  out.sample("novabit_cycles_completed", cyclesCompleted_.load(std::memory_order_relaxed));
  out.family("novabit_source_up", "gauge",
             "1 while the source of the bits delivers on time, 0 while it is late or once it stopped.");
  out.sample("novabit_source_up", sourceUp_.load(std::memory_order_relaxed) ? 1 : 0);
  const ClockState clock = clock_state(kernelClock_.read());
  out.family("novabit_clock_synchronized", "gauge",
             "1 while the kernel holds the system clock synchronised to a time server, else 0.");
  out.sample("novabit_clock_synchronized", clock.synchronized ? 1 : 0);
  out.family("novabit_clock_max_error_seconds", "gauge",
             "How far the system clock may be off, as the kernel bounds it; NaN when it does not say.");
  out.sample("novabit_clock_max_error_seconds", clock.known ? clock.maxErrorSeconds : std::nan(""));
  return out.take();
}

Result<std::string> host_name() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return system_failure("cannot read the host name");
  return std::string(name);
}

}  // namespace novabit
