// Seven simulated days through the simulator with the screen: the study log
// holds every record of the week, each well formed and stamped with the
// virtual time of its pass, and resident memory stays where the first cycle
// left it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "simulator/simulation.h"
#include "simulator/simulator_fixture.h"
#include "simulator/simulator_options.h"
#include "simulator/study_log_check.h"
#include "textio/local_zone.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kWeekPasses = 7 * 24 * 3600;
const char* const kStartText = "2027-12-28 18:30:00";
// The same moment in UTC, the zone the run counts in: the week crosses a
// month's and a year's end.
const std::chrono::sys_seconds kStart = std::chrono::sys_days{2027y / 12 / 28} + 18h + 30min;
const char* const kLogName = "estudio_12-28-2027";

// Resident memory of this process, now (VmRSS) and at its peak so far (VmHWM), in kB.
struct ResidentMemory {
  long now = 0;
  long peak = 0;
};

ResidentMemory resident_memory() {
  std::ifstream status("/proc/self/status");
  ResidentMemory memory;
  for (std::string field; status >> field;) {
    if (field == "VmRSS:") status >> memory.now;
    if (field == "VmHWM:") status >> memory.peak;
  }
  return memory;
}

std::string date_at(std::chrono::sys_seconds moment) {
  const std::chrono::year_month_day date(std::chrono::floor<std::chrono::days>(moment));
  char text[16];
  std::snprintf(text, sizeof text, "%02u-%02u-%04d", static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(date.year()));
  return text;
}

std::string time_at(std::chrono::sys_seconds moment) {
  const std::chrono::hh_mm_ss time(moment - std::chrono::floor<std::chrono::days>(moment));
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
  return text;
}

// The records of the week in their order: in a pass that runs them the
// quarter's, the five minutes' and the cycle's, each stamped with the
// virtual time at which its pass began.
std::vector<LogRecord> week_records() {
  std::vector<LogRecord> records;
  for (std::int64_t pass = 1; pass <= kWeekPasses; ++pass) {
    const std::chrono::sys_seconds moment = kStart + std::chrono::seconds(pass - 1);
    if (pass % 900 == 0) records.push_back({LogRecordKind::quarter, date_at(moment), time_at(moment)});
    if (pass % 300 == 0) records.push_back({LogRecordKind::five_minute, date_at(moment), time_at(moment)});
    if (pass % kCyclePasses == 0) {
      records.push_back({LogRecordKind::cycle, date_at(moment), "", 0, 0, pass / kCyclePasses});
    }
  }
  return records;
}

struct Soak {
  int status = -1;
  std::string errors;
  std::vector<ResidentMemory> afterEachCycle;
  double seconds = 0;
};

// The simulator's run for `arguments`, in steps of one cycle with the
// resident memory taken after each.
Soak run_soak(const std::vector<const char*>& arguments) {
  Soak soak;
  const ParsedArguments parsed = parse_arguments(arguments, 0);
  const auto* options = std::get_if<SimulatorOptions>(&parsed);
  if (options == nullptr) {
    soak.errors = "the arguments were refused";
    return soak;
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> errors(std::tmpfile(), std::fclose);
  const auto began = std::chrono::steady_clock::now();
  {
    Simulation simulation(*options, nullptr, errors.get());
    EXPECT_NE(simulation.screen(), nullptr);
    if (!simulation.creation_failure() && simulation.start()) {
      while (simulation.passes_run() < options->passes) {
        simulation.run(std::min(kCyclePasses, options->passes - simulation.passes_run()));
        soak.afterEachCycle.push_back(resident_memory());
      }
      soak.status = simulation.finish();
    }
  }
  soak.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  soak.errors = stream_bytes(errors.get());
  return soak;
}

TEST(SoakTest, AWeekWithTheScreenLogsEveryRecordInShapeOnFlatMemory) {
  const LocalZone zone("UTC");
  const WorkingDirectory directory;
  const std::string passes = std::to_string(kWeekPasses);
  const Soak soak =
      run_soak({"--passes", passes.c_str(), "--seed", "1000000", "--start", kStartText, "--dir", ".", "--quiet"});
  ASSERT_EQ(soak.status, 0) << soak.errors;
  EXPECT_EQ(soak.errors, "");

  const std::string log = file_bytes(kLogName);
  const StudyLogCheck check = check_study_log(log);
  EXPECT_EQ(check.malformed, std::nullopt);
  EXPECT_EQ(check.wellFormedBytes, log.size());
  EXPECT_EQ(check.count(LogRecordKind::five_minute), 2016U);
  EXPECT_EQ(check.count(LogRecordKind::quarter), 672U);
  EXPECT_EQ(check.count(LogRecordKind::cycle), 13U);

  const std::vector<LogRecord> expected = week_records();
  ASSERT_EQ(check.records.size(), expected.size());
  std::vector<const LogRecord*> fiveMinutes;
  std::vector<const LogRecord*> quarters;
  for (std::size_t index = 0; index < expected.size(); ++index) {
    const LogRecord& record = check.records[index];
    ASSERT_EQ(record.kind, expected[index].kind) << "record " << index + 1;
    ASSERT_EQ(record.date, expected[index].date) << "record " << index + 1;
    ASSERT_EQ(record.time, expected[index].time) << "record " << index + 1;
    ASSERT_EQ(record.cyclesCompleted, expected[index].cyclesCompleted) << "record " << index + 1;
    if (record.kind == LogRecordKind::five_minute) fiveMinutes.push_back(&record);
    if (record.kind == LogRecordKind::quarter) quarters.push_back(&record);
  }
  // Each quarter's bits are those of its three five-minute periods.
  for (std::size_t quarter = 0; quarter < quarters.size(); ++quarter) {
    std::int64_t zeros = 0;
    for (std::size_t period = quarter * 3; period < quarter * 3 + 3; ++period) zeros += fiveMinutes[period]->zeros;
    ASSERT_EQ(quarters[quarter]->zeros, zeros) << "quarter " << quarter + 1;
  }

  ASSERT_EQ(soak.afterEachCycle.size(), 14U);
  const ResidentMemory& firstCycle = soak.afterEachCycle.front();
  const ResidentMemory& end = soak.afterEachCycle.back();
  for (std::size_t cycle = 1; cycle < soak.afterEachCycle.size(); ++cycle) {
    EXPECT_LE(soak.afterEachCycle[cycle].now, firstCycle.now + firstCycle.now / 20) << "after cycle " << cycle + 1;
  }
  EXPECT_LE(end.peak, firstCycle.peak + firstCycle.peak / 20);

  RecordProperty("seconds", std::to_string(soak.seconds));
  RecordProperty("rss_first_cycle_kB", std::to_string(firstCycle.now));
  RecordProperty("rss_end_kB", std::to_string(end.now));
  std::printf(
      "soak: %s passes in %.1f s; %zu five-minute, %zu quarter and %zu cycle records; resident memory "
      "%ld kB after the first cycle, %ld kB at the end, peak %ld kB\n",
      passes.c_str(), soak.seconds, check.count(LogRecordKind::five_minute), check.count(LogRecordKind::quarter),
      check.count(LogRecordKind::cycle), firstCycle.now, end.now, end.peak);
}

}  // namespace
}  // namespace novabit::testing
