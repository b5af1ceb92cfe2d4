#pragma once
// Inputs for the report benchmarks, and the report run in a child process so
// that its peak memory is its own: long study logs written by the monitor's
// own StudyLog with random counts, and raw records of any length.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "clocks/wall_clock.h"
#include "experiment/experiment_numbers.h"
#include "experiment/study_log.h"
#include "experiment/trials_format.h"
#include "keystream/random_key.h"
#include "report/log_time.h"
#include "report/report_program.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit::bench {

inline constexpr std::int64_t kStart = 1796464800;  // 2026-12-05 10:00:00
inline constexpr std::int64_t kRecordsPerYear = 105120;

// The wall clock of pass `pass` of a run started at `start`.
class PassWallClock final : public WallClock {
 public:
  explicit PassWallClock(std::int64_t start) : start_(start) {}
  LocalTime now() const override { return report::local_time_of(start_ + pass - 1); }
  std::int64_t pass = 1;

 private:
  std::int64_t start_;
};

inline std::int32_t fair_count(std::mt19937_64& random, std::int32_t bits) {
  return std::binomial_distribution<std::int32_t>(bits, 0.5)(random);
}

// A run of `fiveMinuteRecords` records with its quarters and cycle ends, in
// the order the monitor writes them, started at `start`; returns the log's path.
inline std::filesystem::path write_long_log(const std::filesystem::path& directory, std::int64_t fiveMinuteRecords,
                                            std::int64_t start = kStart, std::uint64_t seed = 1) {
  ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  Printer printer(channels);
  PassWallClock clock(start);
  StudyLog log(printer, clock);
  if (!log.open(1, directory)) return {};
  std::mt19937_64 random(seed);
  PeriodTally fiveMinutes;
  PeriodTally quarter;
  std::int32_t cycles = 0;
  for (std::int64_t record = 1; record <= fiveMinuteRecords; ++record) {
    clock.pass = record * kFiveMinutePasses;
    fiveMinutes.ones = fair_count(random, kFiveMinuteBits);
    fiveMinutes.zeros = kFiveMinuteBits - fiveMinutes.ones;
    quarter.ones += fiveMinutes.ones;
    if (record % 3 == 0) {
      quarter.zeros = kQuarterBits - quarter.ones;
      log.write_checkpoint_record(1, checkpoint_form(Period::quarter, quarter.leaning()), quarter, {6, 6.0, 6.0});
      quarter = PeriodTally{};
    }
    log.write_checkpoint_record(1, checkpoint_form(Period::five_minute, fiveMinutes.leaning()), fiveMinutes,
                                {6, {}, {}});
    if (clock.pass / kPassesPerCycle != (clock.pass + kFiveMinutePasses) / kPassesPerCycle) {
      clock.pass = (clock.pass / kPassesPerCycle + 1) * kPassesPerCycle;
      log.write_cycle_record(1, ++cycles);
    }
  }
  channels.close_all_channels();
  return directory / log.name();
}

// Ten runs of a year each, a minute apart, each log in a folder of its own
// (about 240 MB); returns the logs' paths.
inline std::vector<std::string> write_ten_years_of_logs(const std::filesystem::path& directory) {
  constexpr std::int64_t kSecondsPerYear = kRecordsPerYear * 300;
  std::vector<std::string> logs;
  for (int year = 0; year < 10; ++year) {
    const std::filesystem::path folder = directory / std::to_string(year);
    std::filesystem::create_directory(folder);
    logs.push_back(write_long_log(folder, kRecordsPerYear, kStart + year * (kSecondsPerYear + 60), year + 1).string());
  }
  return logs;
}

// `passes` seconds in the raw record's format, from pass 1 at 12-05-2026 10:00:00.
inline std::filesystem::path write_trials(const std::filesystem::path& directory, std::int64_t passes,
                                          const std::string& name = "estudio_12-05-2026.trials.csv",
                                          const std::string& station = "") {
  const std::filesystem::path path = directory / name;
  std::ofstream out(path, std::ios::binary);
  out << "# program=novabit 1.0.0\r\n# source=keyed\r\n";
  if (!station.empty()) out << "# key_sha256=" << sha256_hex(station) << "\r\n# station=" << station << "\r\n";
  out << kTrialsColumns << "\r\n";
  std::mt19937_64 random(std::hash<std::string>{}(name));
  std::string line;
  for (std::int64_t pass = 1; pass <= passes; ++pass) {
    const LocalTime local = report::local_time_of(kStart + pass - 1);
    line = std::to_string(pass) + "," + utc_text(local) + "," + date_text(local) + " " + time_text(local) + "," +
           std::to_string(fair_count(random, kBitsPerPass)) + ",\r\n";
    out << line;
  }
  return path;
}

struct ChildReport {
  int status = -1;
  double seconds = 0;
  double peakMegabytes = 0;  // the most resident memory the report held
  double cpuSeconds = 0;     // user and system time of all its threads
  std::size_t outputBytes = 0;
};

// novabit-report with `arguments` (after the program name) in a child
// process: its exit status, wall and processor time, peak resident memory and
// output size.
inline ChildReport report_in_child(const std::vector<std::string>& arguments) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const auto begin = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    std::vector<const char*> pointers{"novabit-report"};
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    std::ostringstream out, err;
    const int status = report::run_report(pointers, out, err);
    const std::size_t bytes = out.str().size() + err.str().size();
    [[maybe_unused]] const ssize_t sent = write(pipeEnds[1], &bytes, sizeof bytes);
    _exit(status);
  }
  ChildReport result;
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (read(pipeEnds[0], &result.outputBytes, sizeof result.outputBytes) != sizeof result.outputBytes) {
    result.outputBytes = 0;
  }
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
  for (const timeval& time : {usage.ru_utime, usage.ru_stime}) {
    result.cpuSeconds += static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  }
  return result;
}

// Each iteration runs the report in a child and takes its wall time; the
// counters give the last run's peak memory and output.
inline void measure_report(benchmark::State& state, const std::vector<std::string>& arguments) {
  ChildReport report;
  for (auto _ : state) {
    report = report_in_child(arguments);
    state.SetIterationTime(report.seconds);
    if (report.status != 0) state.SkipWithError("the report failed");
  }
  state.counters["peak_MB"] = report.peakMegabytes;
  state.counters["cpu_s"] = report.cpuSeconds;
  state.counters["output_kB"] = static_cast<double>(report.outputBytes) / 1024;
}

}  // namespace novabit::bench
