// The live program's wiring and its ends: the orderly end with its exit
// status, records lost on a full disk, and a killed process.

#include "monitor/monitor.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/timex.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "monitor/program.h"
#include "program/stop_signals.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/log_model.h"
#include "support/simulator_run.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing::kFirstPassTime;
using testing::kLogName;
using testing::Program;
using testing::ScratchDirectory;

// Runs `body` in a child process and returns how it ended: its exit status,
// or 1000 + the signal that killed it.
int in_child(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

// The log of `passes` passes of the tests' key, the first at 22:00:00.
std::string model_log(std::int64_t passes) {
  return testing::model_log(testing::model_passes(testing::kTestKey, passes), kFirstPassTime);
}

// A disk that fills during a run, or a limit on the size of files: every file
// keeps whole records in their order (a torn one is cut off, none is glued to
// the next), space that comes back is used again, each file's first failure
// is told once, and the end says how many records each file lost. A seal
// that cannot be written whole refuses the start and is not left behind.
TEST(ProgramTest, AFullDiskKeepsEveryFileWholeAndCountsWhatItLost) {
  // Past pass 900, whose quarter and five-minute records are lost together.
  constexpr std::int64_t kPasses = 901;
  const std::string log = kLogName, seal = log + ".seal", raw = log + ".trials.csv";
  Seal written{testing::kTestKey, {2026, 12, 5, 22, 0, 0}, {}, {}};
  written.station = "station-1";
  const std::size_t sealText = seal_text(written).size();
  const struct {
    const char* name;
    std::size_t freeBytes;  // of a 64 kB disk
    rlim_t fileSizeLimit;
    std::int64_t spaceBackAfter;       // passes; 0: never
    std::vector<std::string> failing;  // in the order of their first failures, each with `reason`
    std::string reason;
  } cases[] = {
      {"space comes back", 8192, RLIM_INFINITY, 400, {raw, log}, std::strerror(ENOSPC)},
      {"file size limit", 65536, sealText + 10, 0, {seal, raw, log}, std::strerror(EFBIG)},
      {"full at the start",
       0,
       RLIM_INFINITY,
       0,
       {},
       "cannot write the seal " + seal + ": write failed: " + std::strerror(ENOSPC)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchDirectory directory(true);
    testing::SmallDisk disk("disk", 65536);
    if (disk.unavailable() && c.fileSizeLimit == RLIM_INFINITY) continue;
    if (!disk.unavailable()) disk.fill(c.freeBytes);
    const int status = in_child([&] {
      const StopSignals signals;  // as the programs start
      const rlimit limit{c.fileSizeLimit, RLIM_INFINITY}, none{RLIM_INFINITY, RLIM_INFINITY};
      if (chdir("disk") != 0 || setrlimit(RLIMIT_FSIZE, &limit) != 0) return 100;
      Program program(kPasses, true, true);
      int end = 1;
      std::string refusal;
      if (const Outcome started = program.monitor().start(); started) {
        if (c.spaceBackAfter > 0) program.monitor().run(c.spaceBackAfter);
        disk.give_back();
        program.monitor().run();
        end = program.monitor().end_status();
      } else {
        refusal = "novabit: " + started.failure().message() + "\n";
      }
      setrlimit(RLIMIT_FSIZE, &none);
      testing::write_bytes("../errors", program.errors() + refusal);
      testing::write_bytes("../metrics", program.monitor().metrics_page());
      return end;
    });
    EXPECT_EQ(status, 1);
    std::filesystem::current_path("disk");
    if (c.failing.empty()) {
      EXPECT_EQ(file_bytes("../errors"), "novabit: " + c.reason + "\n");
      for (const std::string& file : {log, seal, raw}) EXPECT_FALSE(std::filesystem::exists(file)) << file;
      continue;
    }
    const Result<Seal> sealed = read_seal_file(seal);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->clock.value_or(1000.25L), 1000.25L) << "a whole clock line, or none";
    const auto passes = testing::model_passes(sealed->key, kPasses);
    std::map<std::string, std::int64_t> lost{{seal, sealed->clock ? 0 : 1}};
    EXPECT_TRUE(testing::records_in_order(file_bytes(log), testing::model_log(passes, kFirstPassTime), lost[log]));
    const testing::RawRecord rows = testing::read_raw_record(file_bytes(raw), true);
    EXPECT_EQ(rows.head.size(), 6U);
    for (std::size_t row = 0; row < rows.passes.size(); ++row) {
      EXPECT_EQ(rows.ones[row], passes[static_cast<std::size_t>(rows.passes[row] - 1)].ones) << rows.rows[row];
    }
    lost[raw] = kPasses - static_cast<std::int64_t>(rows.rows.size());
    std::string expected, summary;
    std::map<std::string, std::int64_t> counted;
    for (const std::string& file : c.failing) {
      expected += "novabit: " + file + ": write failed: " + c.reason + "; the run goes on\n";
      summary += (summary.empty() ? "" : ", ") + std::to_string(lost[file]) + " of " + file;
      counted[file] = lost[file];
      lost.erase(file);
    }
    for (const auto& [file, count] : lost) EXPECT_EQ(count, 0) << file;
    for (const auto& [name, file] : {std::pair{"study_log", log}, {"raw_record", raw}, {"seal", seal}}) {
      EXPECT_EQ(testing::metric_value(file_bytes("../metrics"), "novabit_records_lost_total", name), counted[file]) << file;
    }
    EXPECT_EQ(file_bytes("../errors"), expected + "novabit: records lost: " + summary + "\n");
    EXPECT_EQ(!rows.passes.empty() && rows.passes.back() == kPasses, c.spaceBackAfter > 0)
        << "written again once space came back";
  }
}

// Seconds without a pass: a stop of 3 s, of 90 s and then 3 s, a starved
// pass that begins 2.5 s late, in the second half of a second, and a first
// pass that begins there. Each gap is told (a second one within a minute only
// at the end), counted and marked on the row after it, and every second is
// accounted for: from one row's stamp to the next, one second and the gap.
// Each run's system clock is in another state (synchronised; not, as the
// kernel flags it; synchronised but off by up to 0.8 s; faulty, as the kernel's
// answer alone says): its raw record's head keeps it as the run began, its
// metrics follow it at every scrape.
// A wait that sleeps, the stop falling into its sleep, leaves the same raw
// record byte for byte as the busy poll.
// Records lost several at once, as when a sync fails, count as many.
TEST(MetricsFeed, CountsEveryRecordOfALossAtOnce) {
  const Result<std::unique_ptr<MetricsFeed>> feed = MetricsFeed::listen(ListenAddress{"127.0.0.1", 0});
  ASSERT_TRUE(feed);
  const testing::SetKernelClock kernelClock;
  (*feed)->begin({"lab", "keyed", "1.0.0", "5e1f", 1796535140}, kernelClock);
  (*feed)->records_lost(RecordFile::raw_record, 3);
  EXPECT_EQ(testing::metric_value((*feed)->page(), "novabit_records_lost_total", "raw_record"), 3);
}

TEST(ProgramTest, EverySecondIsAccountedFor) {
  const auto told = [](const char* seconds, const char* summary) {
    return "novabit: " + std::string(seconds) +
           " seconds without a pass before pass 11: the run was stopped, suspended or starved\nnovabit: " + summary + "\n";
  };
  const struct {
    const char* name;
    long double firstReading;
    std::map<int, long double> jumpAfterPass;
    std::int64_t skipped;
    std::string errors;
    KernelClockReading clock;
    std::string clockLine;
    std::int64_t synchronized;
  } cases[] = {
      // clang-format off
      {"stopped 3 s", 1000.25L, {{10, 3}}, 2, told("2", "2 seconds skipped in 1 gap, the longest 2 s"),
       {TIME_OK, STA_PLL, 16000}, "synchronized max_error_seconds=0.016", 1},
      {"stopped 90 s, then 3 s", 1000.25L, {{10, 90}, {20, 3}}, 91, told("89", "91 seconds skipped in 2 gaps, the longest 89 s"),
       {TIME_ERROR, STA_UNSYNC, 16000000}, "unsynchronized max_error_seconds=16", 0},
      {"starved 2.5 s", 1000.25L, {{10, 2.5L}}, 2, told("2", "2 seconds skipped in 1 gap, the longest 2 s"),
       {TIME_INS, 0, 800000}, "synchronized max_error_seconds=0.8", 1},
      {"a first pass late in its second", 1000.75L, {}, 0, "",
       {TIME_ERROR, STA_PLL, 250000}, "unsynchronized max_error_seconds=0.25", 0},
      // clang-format on
  };
  std::string polled;  // the busy poll's raw record of the row
  for (std::size_t run = 0; run < 2 * std::size(cases); ++run) {
    const auto& c = cases[run / 2];
    const Pace pace = run % 2 == 0 ? Pace::poll : Pace::sleep;
    SCOPED_TRACE(c.name + std::string(pace == Pace::sleep ? ", asleep" : ""));
    const ScratchDirectory directory(true);
    Program program(1000, false, false, "station-1", {}, c.firstReading, pace);
    struct Jumps final : ExperimentEvents {
      testing::SteppingClock* clock;
      std::map<int, long double> after;
      bool asleep;
      int passes = 0;
      void pass_ended(bool) override {
        if (const auto jump = after.find(++passes); jump != after.end())
          asleep ? clock->oversleep(jump->second) : clock->jump(jump->second);
      }
    } jumps;
    jumps.clock = &program.clock();
    jumps.after = c.jumpAfterPass;
    jumps.asleep = pace == Pace::sleep;
    program.monitor().add_listener(jumps);
    program.kernelClock.reading = c.clock;
    ASSERT_TRUE(program.monitor().start());
    program.monitor().run(30);
    EXPECT_EQ(program.monitor().end_status(), 0);
    EXPECT_EQ(program.errors(), c.errors);
    EXPECT_EQ(testing::metric_value(program.monitor().metrics_page(), "novabit_skipped_seconds_total"), c.skipped);
    EXPECT_EQ(testing::metric_value(program.monitor().metrics_page(), "novabit_clock_synchronized"), c.synchronized);
    program.kernelClock.reading = {-1, 0, 0};
    EXPECT_TRUE(program.monitor().metrics_page().ends_with("_max_error_seconds{station=\"station-1\",source=\"keyed\"} NaN\n"))
        << "the kernel refused to say";
    const testing::RawRecord raw = testing::read_raw_record(file_bytes(std::string(kLogName) + ".trials.csv"));
    EXPECT_EQ(raw.head[4], "# clock=" + c.clockLine);
    const auto second_of = [&](std::size_t row) {
      const std::string& text = raw.rows[row];
      const std::size_t at = text.find('T') + 1;
      return std::stoi(text.substr(at, 2)) * 3600 + std::stoi(text.substr(at + 3, 2)) * 60 + std::stoi(text.substr(at + 6, 2));
    };
    ASSERT_EQ(raw.rows.size(), 30U);
    EXPECT_EQ(second_of(0), 22 * 3600 + static_cast<int>(std::nearbyint(c.firstReading)) - 1000);
    std::int64_t marked = 0;
    for (std::size_t row = 1; row < raw.rows.size(); ++row) {
      const std::int64_t gap = raw.marks[row].starts_with("gap ") ? std::stoi(raw.marks[row].substr(4)) : 0;
      EXPECT_EQ(second_of(row) - second_of(row - 1), 1 + gap) << raw.rows[row - 1] << " then " << raw.rows[row];
      marked += gap;
    }
    EXPECT_EQ(marked, c.skipped);
    if (pace == Pace::poll) polled = file_bytes(std::string(kLogName) + ".trials.csv");
    EXPECT_EQ(file_bytes(std::string(kLogName) + ".trials.csv"), polled);
  }
}

// Another program takes a file away in the middle of a run: deletes or
// renames the raw record, copies and cuts it (logrotate's copytruncate),
// deletes the study log, or the whole folder. Each is told in one line,
// counted as lost records and made again, the raw record with its head; a
// folder that is gone loses every later record.
TEST(ProgramTest, AFileTakenAwayIsToldCountedAndMadeAgain) {
  const std::string log = kLogName, raw = log + ".trials.csv";
  const std::string later = model_log(600).substr(model_log(300).size());
  const struct {
    const char* name;
    std::string file;
    std::function<std::string()> take;  // what the line says happened
    std::string lost;                   // the end's count of lost records
    std::string logAfter, rawRowsAfter;
  } cases[] = {
      {"raw record deleted", raw, [&] { return std::filesystem::remove(raw) ? "deleted" : ""; }, "300 of " + raw, model_log(600),
       "301-600"},
      {"raw record renamed", raw,
       [&] {
         std::filesystem::rename(raw, "old.csv");
         return "renamed away or replaced";
       },
       "300 of " + raw, model_log(600), "301-600"},
      {"raw record copied and cut", raw,
       [&] {
         const auto size = std::filesystem::file_size(raw);
         std::filesystem::copy_file(raw, "copy.csv");
         std::filesystem::resize_file(raw, 0);
         return "cut short from " + std::to_string(size) + " to 0 bytes";
       },
       "300 of " + raw, model_log(600), "301-600"},
      {"study log deleted", log, [&] { return std::filesystem::remove(log) ? "deleted" : ""; }, "1 of " + log, later, "1-600"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchDirectory directory(true);
    Program program(1000);
    ASSERT_TRUE(program.monitor().start());
    program.monitor().run(300);
    const std::string what = c.take();
    program.monitor().run(300);
    EXPECT_EQ(program.monitor().end_status(), 1);
    const std::string taken = c.lost.substr(0, c.lost.find(' '));
    EXPECT_EQ(program.errors(), "novabit: " + c.file + ": " + what + " by another program with " + taken +
                                    (taken == "1" ? " record" : " records") + "; made again\nnovabit: records lost: " + c.lost +
                                    "\n");
    EXPECT_EQ(file_bytes(log), c.logAfter);
    const testing::RawRecord rows = testing::read_raw_record(file_bytes(raw), true);
    EXPECT_EQ(rows.head.size(), 6U);
    EXPECT_EQ(std::to_string(rows.passes.front()) + "-" + std::to_string(rows.passes.back()), c.rawRowsAfter);
    EXPECT_EQ(rows.passes.size(), static_cast<std::size_t>(rows.passes.back() - rows.passes.front() + 1));
  }
}

// Fewer and fewer descriptors refuse the start at each of its steps in turn
// (the metrics' port, the study log, the seal, the raw record): every refused
// start leaves the folder as it was, an earlier run's files under their names.
TEST(ProgramTest, ARefusedStartLeavesTheFolderAsItWas) {
  const ScratchDirectory directory(true);
  std::filesystem::create_directory("study");
  const std::string log = kLogName;
  const std::map<std::string, std::string> earlier{{log, "log\r\n"}, {log + ".seal", "seal\n"}, {log + ".trials.csv", "raw\r\n"}};
  for (const auto& [file, bytes] : earlier) testing::write_bytes("study/" + file, bytes);
  std::string refusals;
  for (rlim_t descriptors = 3; descriptors < 64; ++descriptors) {
    const int status = in_child([&] {
      const rlimit limit{descriptors, descriptors};
      if (chdir("study") != 0 || setrlimit(RLIMIT_NOFILE, &limit) != 0) return 100;
      Program program(10, true, true);
      const Outcome started = program.monitor().start();
      if (!started) testing::write_bytes("../refusal", started.failure().message() + "\n");
      return started ? 0 : 1;
    });
    if (status == 0) break;
    ASSERT_EQ(status, 1);
    refusals += file_bytes("refusal");
    std::map<std::string, std::string> kept;
    for (const std::string& file : testing::entries_of("study")) kept[file] = file_bytes("study/" + file);
    EXPECT_EQ(kept, earlier) << refusals;
  }
  EXPECT_NE(refusals.find("cannot write the seal " + log + ".seal: Too many open files\n"), std::string::npos) << refusals;

  // A second run in a folder that a run holds is refused before it renames anything.
  std::filesystem::current_path("study");
  Program holder(10, true, true), second(10, true, true);
  ASSERT_TRUE(holder.monitor().start());
  const auto before = testing::entries_of(".");
  const Outcome refused = second.monitor().start();
  ASSERT_FALSE(refused);
  std::string name;
  std::getline(std::ifstream("/proc/self/comm"), name);
  EXPECT_EQ(refused.failure().message(), "the folder " + std::filesystem::current_path().string() + " is held by process " +
                                             std::to_string(getpid()) + " (" + name +
                                             "), which writes a run there: one run at a time writes in a folder");
  EXPECT_EQ(testing::entries_of("."), before);
  holder.monitor().end_status();
}

// Each record reaches the disk as it is written: a process killed five passes
// after a quarter's records keeps every record of the passes it ran, and its
// hold on the folder is gone with it.
TEST(ProgramTest, AKilledRunKeepsEveryCompleteRecord) {
  const ScratchDirectory directory(true);
  const int end = in_child([] {
    Program program(1000000, true);
    if (!program.monitor().start()) return 1;
    program.monitor().run(905);
    std::raise(SIGKILL);
    return 2;
  });
  EXPECT_EQ(end, 1000 + SIGKILL);
  EXPECT_TRUE(testing::same_log(file_bytes(kLogName), model_log(905)));
  EXPECT_TRUE(Program(10).monitor().start());
}

}  // namespace
}  // namespace novabit
